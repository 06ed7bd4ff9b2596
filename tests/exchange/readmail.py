#!/usr/bin/env python3
# Reads mail the way other programs do, with Python's own mailbox and email
# packages, and prints what a reader sees of each message as JSON:
#   readmail.py mbox FILE | eml FOLDER
import email
import email.policy
import json
import mailbox
import os
import sys


def seen(data):
    msg = email.message_from_bytes(data, policy=email.policy.default)
    raw = email.message_from_bytes(data)  # the header texts as written
    body = msg.get_body(preferencelist=('plain',))
    date = msg['Date']
    return {
        'subject': str(msg['Subject'] or ''),
        'from': str(msg['From'] or ''),
        'to': str(msg['To'] or ''),
        'date': ' '.join(str(raw['Date'] or '').split()),
        'datetime': date.datetime.isoformat() if date is not None and date.datetime else '',
        'body': body.get_content().replace('\r\n', '\n') if body is not None else '',
        'attachments': [part.get_filename() for part in msg.iter_attachments()],
    }


kind, path = sys.argv[1], sys.argv[2]
if kind == 'mbox':
    box = mailbox.mbox(path, create=False)
    messages = [box.get_bytes(key) for key in box.keys()]
else:
    names = sorted(n for n in os.listdir(path) if n.endswith('.eml'))
    messages = [open(os.path.join(path, n), 'rb').read() for n in names]
json.dump([seen(data) for data in messages], sys.stdout, ensure_ascii=False)
