#!/usr/bin/env bash
# Starts or stops the local mail servers of the tests and the demo, in a
# throwaway folder, on loopback and free unprivileged ports:
#   Dovecot  POP3 (USER/PASS, APOP, STLS) and POP3S; and POP3 without TLS or APOP
#   Postfix  SMTP, submission (STARTTLS + login), SMTPS, and submission
#            without TLS (login with CRAM-MD5, PLAIN or LOGIN), delivering
#            into the maildirs Dovecot serves
#   OAuth 2.0: a local authorization server (scripts/oauthserver.py) whose
#            introspection endpoint a third Dovecot asks about bearer tokens
#            (XOAUTH2, OAUTHBEARER) for its POP3S and, through Dovecot SASL,
#            for a Postfix submission port (STARTTLS)
# Usage: mailservers.sh start DIR   (writes DIR/servers.env with the ports)
#        mailservers.sh stop DIR    (stops, by PID, what start started)
# Accounts: u1 ... u200, each with the password "pw-uN", and an empty
# maildir. Parallel tests each claim their own (mkdir DIR/claims/uN).
# Must run as root (the servers switch to their own users).
set -euo pipefail

cmd=${1:?start|stop}
handle=${2:?folder}
domain=fennick.test
# The servers live under /var/tmp, not in the given folder: their users
# (postfix, dovecot, mail) must reach every folder on the way, and Dovecot's
# socket paths must stay short, whatever the path of the checkout. The given
# folder keeps servers.env and the path of the real one.
dir=""
if [ -f "$handle/root" ]; then dir=$(cat "$handle/root"); fi

free_port() {
  local port
  for _ in $(seq 1 200); do
    port=$(( 20000 + RANDOM % 40000 ))
    if ! ss -Htln "sport = :$port" | grep -q .; then echo "$port"; return 0; fi
  done
  echo "no free port found" >&2; return 1
}

wait_for_port() {
  local port=$1 what=$2
  for _ in $(seq 1 100); do
    if ss -Htln "sport = :$port" | grep -q .; then return 0; fi
    sleep 0.1
  done
  echo "$what did not start listening on port $port" >&2
  return 1
}

accounts=200

add_accounts() {
  : > "$dir/passwd"
  : > "$dir/postfix/vmailbox"
  local name
  for i in $(seq 1 $accounts); do
    name=u$i
    # nodelay: failed logins in the tests must not slow every later login.
    printf '%s:{PLAIN}pw-%s:8:8::%s/mail/%s::nodelay=yes\n' "$name" "$name" "$dir" "$name" >> "$dir/passwd"
    printf '%s@%s %s/\n' "$name" "$domain" "$name" >> "$dir/postfix/vmailbox"
    mkdir -p "$dir/mail/$name/new" "$dir/mail/$name/cur" "$dir/mail/$name/tmp"
  done
  chown -R 8:8 "$dir/mail"
  chmod 0644 "$dir/passwd"
  mkdir -p "$dir/claims"
}

# The settings every Dovecot instance shares; $1 names the instance's folder.
dovecot_conf() {
  cat <<CONF
base_dir = $dir/$1/run
state_dir = $dir/$1/state
instance_name = fennick-$1
log_path = $dir/log/$1.log
protocols = pop3
listen = 127.0.0.1
disable_plaintext_auth = no
auth_failure_delay = 0
first_valid_uid = 8
mail_location = maildir:$dir/mail/%n
pop3_uidl_format = %08Xu%08Xv
userdb {
  driver = passwd-file
  args = username_format=%n $dir/passwd
}
service auth {
  unix_listener auth-client {
    mode = 0666
  }
}
CONF
}

password_passdb() {
  cat <<CONF
passdb {
  driver = passwd-file
  args = scheme=PLAIN username_format=%n $dir/passwd
}
CONF
}

run_dovecot() {
  local name=$1 port=$2
  rm -f "$dir/$name/run/master.pid"
  # The daemons must not hold the caller's output open (ctest waits for it).
  dovecot -c "$dir/$name/dovecot.conf" </dev/null >/dev/null 2>&1
  wait_for_port "$port" Dovecot
  local pid
  pid=$(cat "$dir/$name/run/master.pid")
  kill -0 "$pid"
  echo "$pid" > "$dir/$name.pid"
}

start_dovecot() {
  local pop3=$1 pop3s=$2 pop3plain=$3
  mkdir -p "$dir/dovecot/run" "$dir/dovecot/state" "$dir/tls"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=127.0.0.1" \
    -keyout "$dir/tls/key.pem" -out "$dir/tls/cert.pem" 2>/dev/null
  { dovecot_conf dovecot; password_passdb; cat <<CONF; } > "$dir/dovecot/dovecot.conf"
auth_mechanisms = plain login apop
ssl = yes
ssl_cert = <$dir/tls/cert.pem
ssl_key = <$dir/tls/key.pem
service pop3-login {
  inet_listener pop3 {
    port = $pop3
  }
  inet_listener pop3s {
    port = $pop3s
    ssl = yes
  }
}
CONF
  run_dovecot dovecot "$pop3"
  # The same mailboxes from a server with neither TLS nor APOP: USER/PASS
  # in clear, as an old provider's.
  mkdir -p "$dir/dovecot-plain/run" "$dir/dovecot-plain/state"
  # Its authentication also serves Postfix's submission without TLS.
  { dovecot_conf dovecot-plain; password_passdb; cat <<CONF; } > "$dir/dovecot-plain/dovecot.conf"
auth_mechanisms = plain login cram-md5
ssl = no
service pop3-login {
  inet_listener pop3 {
    port = $pop3plain
  }
}
CONF
  run_dovecot dovecot-plain "$pop3plain"
}

# The authorization server, and a Dovecot that takes only its bearer tokens:
# a token is good while the server's introspection calls it active, for the
# user it was issued to (the login_hint of the sign-in).
start_oauth() {
  local oauth=$1 pop3s=$2
  python3 "$(dirname "$0")/oauthserver.py" "$oauth" "$dir/log/oauth.log" </dev/null >/dev/null 2>&1 &
  echo $! > "$dir/oauthserver.pid"
  wait_for_port "$oauth" "The authorization server"
  mkdir -p "$dir/dovecot-oauth/run" "$dir/dovecot-oauth/state"
  cat > "$dir/dovecot-oauth/oauth2.conf.ext" <<CONF
introspection_mode = post
introspection_url = http://127.0.0.1:$oauth/introspect
force_introspection = yes
username_attribute = username
active_attribute = active
active_value = true
CONF
  { dovecot_conf dovecot-oauth; cat <<CONF; } > "$dir/dovecot-oauth/dovecot.conf"
auth_mechanisms = xoauth2 oauthbearer
# No growing wait after a refused token, which the tests refuse on purpose:
# without its socket, the authentication penalty is off.
service anvil {
  unix_listener anvil-auth-penalty {
    mode = 0
  }
}
ssl = yes
ssl_cert = <$dir/tls/cert.pem
ssl_key = <$dir/tls/key.pem
passdb {
  driver = oauth2
  mechanisms = xoauth2 oauthbearer
  args = $dir/dovecot-oauth/oauth2.conf.ext
}
service pop3-login {
  inet_listener pop3 {
    port = 0
  }
  inet_listener pop3s {
    port = $pop3s
    ssl = yes
  }
}
CONF
  run_dovecot dovecot-oauth "$pop3s"
}

start_postfix() {
  local smtp=$1 submission=$2 smtps=$3 submissionplain=$4 submissionoauth=$5
  local pf=$dir/postfix
  mkdir -p "$pf/queue" "$pf/data"
  chown postfix "$pf/data"
  cat > "$pf/main.cf" <<CONF
compatibility_level = 3.6
queue_directory = $pf/queue
data_directory = $pf/data
mail_owner = postfix
setgid_group = postdrop
inet_interfaces = 127.0.0.1
inet_protocols = ipv4
myhostname = mail.$domain
mydomain = $domain
myorigin = $domain
mydestination =
mynetworks = 127.0.0.0/8
relay_domains =
local_transport = error:local delivery is disabled
alias_maps =
alias_database =
virtual_mailbox_domains = $domain
virtual_mailbox_maps = texthash:$pf/vmailbox
virtual_mailbox_base = $dir/mail
virtual_uid_maps = static:8
virtual_gid_maps = static:8
virtual_minimum_uid = 8
virtual_mailbox_limit = 0
message_size_limit = 104857600
default_transport = error:mail leaves this machine never
relay_transport = error:mail leaves this machine never
smtpd_relay_restrictions = reject_unauth_destination
smtputf8_enable = no
biff = no
in_flow_delay = 0
maillog_file = $dir/log/postfix.log
maillog_file_prefixes = $dir/log
smtpd_tls_cert_file = $dir/tls/cert.pem
smtpd_tls_key_file = $dir/tls/key.pem
smtpd_sasl_type = dovecot
smtpd_sasl_path = $dir/dovecot/run/auth-client
CONF
  # Plain SMTP; submission with STARTTLS and login (through Dovecot); SMTPS;
  # submission in clear with login, as an old provider's (named in the log,
  # where tests look for sessions that took no mail).
  cat > "$pf/master.cf" <<CONF
127.0.0.1:$smtp inet n - n - - smtpd
127.0.0.1:$submission inet n - n - - smtpd
  -o smtpd_tls_security_level=encrypt
  -o smtpd_sasl_auth_enable=yes
  -o smtpd_relay_restrictions=permit_sasl_authenticated,reject
127.0.0.1:$smtps inet n - n - - smtpd
  -o smtpd_tls_wrappermode=yes
  -o smtpd_sasl_auth_enable=yes
  -o smtpd_relay_restrictions=permit_sasl_authenticated,reject
127.0.0.1:$submissionplain inet n - n - - smtpd
  -o syslog_name=postfix/submission-plain
  -o smtpd_tls_security_level=none
  -o smtpd_sasl_auth_enable=yes
  -o smtpd_sasl_path=$dir/dovecot-plain/run/auth-client
  -o smtpd_relay_restrictions=permit_sasl_authenticated,reject
127.0.0.1:$submissionoauth inet n - n - - smtpd
  -o smtpd_tls_security_level=encrypt
  -o smtpd_sasl_auth_enable=yes
  -o smtpd_sasl_path=$dir/dovecot-oauth/run/auth-client
  -o smtpd_relay_restrictions=permit_sasl_authenticated,reject
pickup    unix  n       -       n       60      1       pickup
cleanup   unix  n       -       n       -       0       cleanup
qmgr      unix  n       -       n       300     1       qmgr
tlsmgr    unix  -       -       n       1000?   1       tlsmgr
rewrite   unix  -       -       n       -       -       trivial-rewrite
bounce    unix  -       -       n       -       0       bounce
defer     unix  -       -       n       -       0       bounce
trace     unix  -       -       n       -       0       bounce
verify    unix  -       -       n       -       1       verify
flush     unix  n       -       n       1000?   0       flush
proxymap  unix  -       -       n       -       -       proxymap
proxywrite unix -       -       n       -       1       proxymap
smtp      unix  -       -       n       -       -       smtp
relay     unix  -       -       n       -       -       smtp
showq     unix  n       -       n       -       -       showq
error     unix  -       -       n       -       -       error
retry     unix  -       -       n       -       -       error
discard   unix  -       -       n       -       -       discard
virtual   unix  -       n       n       -       -       virtual
anvil     unix  -       -       n       -       1       anvil
scache    unix  -       -       n       -       1       scache
postlog   unix-dgram n  -       n       -       1       postlogd
CONF
  postfix -c "$pf" set-permissions create-missing </dev/null >/dev/null 2>&1 || true
  if ! postfix -c "$pf" start </dev/null >/dev/null 2>&1; then
    echo "Postfix did not start; its log:" >&2
    cat "$dir/log/postfix.log" >&2 2>/dev/null || true
    return 1
  fi
  wait_for_port "$smtp" Postfix || { cat "$dir/log/postfix.log" >&2 2>/dev/null; return 1; }
  local pid
  pid=$(head -1 "$pf/queue/pid/master.pid" | tr -d ' ')
  kill -0 "$pid"
  echo "$pid" > "$dir/postfix.pid"
}

# Ends the processes whose PID files are given, each by its PID, all at once
# (each takes a few seconds to go), then removes the files.
stop_pid_files() {
  local file pid pids=()
  for file in "$@"; do
    [ -f "$file" ] || continue
    pid=$(cat "$file")
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      pids+=("$pid")
    fi
    rm -f "$file"
  done
  local alive
  for _ in $(seq 1 50); do
    alive=0
    for pid in "${pids[@]}"; do if kill -0 "$pid" 2>/dev/null; then alive=1; fi; done
    [ "$alive" -eq 1 ] || return 0
    sleep 0.1
  done
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
}

case "$cmd" in
  start)
    if [ "$(id -u)" -ne 0 ]; then echo "the mail servers need root" >&2; exit 1; fi
    # A folder left by an earlier run: stop what it started, then start afresh.
    "$0" stop "$handle"
    rm -rf "$handle"
    mkdir -p "$handle"
    dir=$(mktemp -d /var/tmp/fennick-mail.XXXXXX)
    echo "$dir" > "$handle/root"
    mkdir -p "$dir/log" "$dir/mail"
    chmod 0755 "$dir" "$dir/mail"
    chown 8:8 "$dir/mail"
    mkdir -p "$dir/postfix"
    add_accounts
    pop3=$(free_port); pop3s=$(free_port); pop3plain=$(free_port)
    smtp=$(free_port); submission=$(free_port); smtps=$(free_port); submissionplain=$(free_port)
    oauth=$(free_port); pop3soauth=$(free_port); submissionoauth=$(free_port)
    start_dovecot "$pop3" "$pop3s" "$pop3plain"
    if ! start_oauth "$oauth" "$pop3soauth" ||
       ! start_postfix "$smtp" "$submission" "$smtps" "$submissionplain" "$submissionoauth"; then
      "$0" stop "$handle"; exit 1
    fi
    cat > "$handle/servers.env" <<ENV
POP3_PORT=$pop3
POP3S_PORT=$pop3s
POP3_PLAIN_PORT=$pop3plain
SMTP_PORT=$smtp
SUBMISSION_PORT=$submission
SMTPS_PORT=$smtps
SUBMISSION_PLAIN_PORT=$submissionplain
OAUTH_PORT=$oauth
POP3S_OAUTH_PORT=$pop3soauth
SUBMISSION_OAUTH_PORT=$submissionoauth
MAIL_DOMAIN=$domain
MAIL_ROOT=$dir
ENV
    ;;
  stop)
    [ -n "$dir" ] && [ -d "$dir" ] || exit 0
    if [ -f "$dir/postfix.pid" ]; then
      postfix -c "$dir/postfix" stop >/dev/null 2>&1 || true
    fi
    stop_pid_files "$dir/postfix.pid" "$dir/dovecot.pid" "$dir/dovecot-plain.pid" "$dir/dovecot-oauth.pid" \
      "$dir/oauthserver.pid"
    case "$dir" in /var/tmp/fennick-mail.*) rm -rf "$dir" ;; esac
    rm -f "$handle/root"
    ;;
  *) echo "unknown command $cmd" >&2; exit 2 ;;
esac
