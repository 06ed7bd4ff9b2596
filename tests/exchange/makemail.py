#!/usr/bin/env python3
# Writes mail the way other programs keep it, with Python's own mailbox
# package, from .eml files:
#   makemail.py mbox OUT FILE...     an mbox ("From " lines in bodies quoted as >From)
#   makemail.py maildir OUT FILE...  a Maildir: the first half delivered to new/, the rest read (cur/)
import email
import email.policy
import mailbox
import sys

kind, out, files = sys.argv[1], sys.argv[2], sys.argv[3:]
messages = [open(name, 'rb').read() for name in files]
if kind == 'mbox':
    box = mailbox.mbox(out)
    for raw in messages:
        box.add(raw)
    box.flush()
    box.close()
else:
    box = mailbox.Maildir(out)
    for i, raw in enumerate(messages):
        message = mailbox.MaildirMessage(raw)
        if i >= len(messages) // 2:
            message.set_subdir('cur')
            message.add_flag('S')
        box.add(message)
    box.close()
