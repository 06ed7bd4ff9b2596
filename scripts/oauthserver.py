#!/usr/bin/env python3
"""The OAuth 2.0 authorization server of the tests, on loopback only.

  GET  /authorize   redirects straight back to the client's loopback
                    redirect with a code (no login page: the "browser" of the
                    tests is an HTTP client). The user is the login_hint; the
                    hint "deny" answers error=access_denied instead.
  POST /token       authorization_code (checks the PKCE S256 verifier and the
                    redirect URI) and refresh_token (issues a new refresh
                    token each time, as Microsoft does; the old one stays
                    valid until revoked).
  POST /introspect  RFC 7662, for Dovecot's oauth2 passdb.
  POST /revoke      RFC 7009: the given access or refresh token is refused
                    from now on.

Usage: oauthserver.py PORT LOGFILE
"""
import base64
import hashlib
import json
import secrets
import sys
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

LIFETIME = 3600
lock = threading.Lock()
codes = {}    # code -> {client_id, redirect_uri, challenge, user}
refresh = {}  # refresh token -> {client_id, user}
access = {}   # access token -> {user, expires}
revoked = set()


def s256(verifier):
    digest = hashlib.sha256(verifier.encode("ascii")).digest()
    return base64.urlsafe_b64encode(digest).rstrip(b"=").decode("ascii")


def issue(user, client_id):
    token = "at-" + secrets.token_urlsafe(24)
    renewal = "rt-" + secrets.token_urlsafe(24)
    access[token] = {"user": user, "expires": time.time() + LIFETIME}
    refresh[renewal] = {"client_id": client_id, "user": user}
    return {"access_token": token, "refresh_token": renewal, "token_type": "Bearer",
            "expires_in": LIFETIME}


class Handler(BaseHTTPRequestHandler):
    def log_message(self, fmt, *args):
        with open(self.server.log, "a") as log:
            log.write("%s %s\n" % (time.strftime("%H:%M:%S"), fmt % args))

    def reply(self, status, body=None, headers=()):
        data = json.dumps(body).encode("utf-8") if body is not None else b""
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        if body is not None:
            self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)

    def form(self):
        length = int(self.headers.get("Content-Length") or 0)
        fields = urllib.parse.parse_qs(self.rfile.read(length).decode("utf-8"))
        return {k: v[0] for k, v in fields.items()}

    def do_GET(self):
        url = urllib.parse.urlsplit(self.path)
        if url.path != "/authorize":
            return self.reply(404, {"error": "not_found"})
        q = {k: v[0] for k, v in urllib.parse.parse_qs(url.query).items()}
        redirect = q.get("redirect_uri", "")
        if not redirect.startswith("http://127.0.0.1:") or q.get("response_type") != "code":
            return self.reply(400, {"error": "invalid_request"})
        if q.get("code_challenge_method") != "S256" or not q.get("code_challenge"):
            return self.reply(400, {"error": "invalid_request", "error_description": "PKCE S256 required"})
        if q.get("login_hint") == "deny":
            answer = {"error": "access_denied", "state": q.get("state", "")}
        else:
            code = "c-" + secrets.token_urlsafe(16)
            with lock:
                codes[code] = {"client_id": q.get("client_id"), "redirect_uri": redirect,
                               "challenge": q["code_challenge"], "user": q.get("login_hint", "")}
            answer = {"code": code, "state": q.get("state", "")}
        self.reply(302, None, [("Location", redirect + "?" + urllib.parse.urlencode(answer))])

    def do_POST(self):
        f = self.form()
        with lock:
            if self.path == "/token":
                return self.token(f)
            if self.path == "/introspect":
                info = access.get(f.get("token", ""))
                alive = info and f["token"] not in revoked and info["expires"] > time.time()
                return self.reply(200, {"active": True, "username": info["user"]} if alive else {"active": False})
            if self.path == "/revoke":
                revoked.add(f.get("token", ""))
                return self.reply(200, {})
        self.reply(404, {"error": "not_found"})

    def token(self, f):
        refused = (400, {"error": "invalid_grant"})
        if f.get("grant_type") == "authorization_code":
            grant = codes.pop(f.get("code", ""), None)
            if (not grant or grant["client_id"] != f.get("client_id")
                    or grant["redirect_uri"] != f.get("redirect_uri")
                    or s256(f.get("code_verifier", "")) != grant["challenge"]):
                return self.reply(*refused)
            return self.reply(200, issue(grant["user"], grant["client_id"]))
        if f.get("grant_type") == "refresh_token":
            token = f.get("refresh_token", "")
            grant = refresh.get(token)
            if not grant or token in revoked or grant["client_id"] != f.get("client_id"):
                return self.reply(*refused)
            return self.reply(200, issue(grant["user"], grant["client_id"]))
        self.reply(400, {"error": "unsupported_grant_type"})


def main():
    server = ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler)
    server.log = sys.argv[2]
    server.serve_forever()


if __name__ == "__main__":
    main()
