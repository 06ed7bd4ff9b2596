#pragma once

// The benches' mail: about 10 KB each, a third with a 50 KB attachment, a
// third in ISO-2022-JP.

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

#include "mime/iso2022jp.h"

inline QByteArray BenchMail(int i) {
    QByteArray head = "From: sender" + QByteArray::number(i) +
                      "@example.jp\r\nTo: bench@fennick.test\r\n"
                      "Date: Mon, 07 Dec 2026 09:00:00 +0900\r\nMIME-Version: 1.0\r\n";
    QString text;
    for (int line = 0; text.size() < 3400; ++line)
        text += QStringLiteral("これは性能測定用のメール本文です。%1行目。\r\n").arg(line);
    if (i % 3 == 1) {
        const QByteArray jis = *Iso2022Jp::encode(text);
        return head + "Subject: =?ISO-2022-JP?B?" +
               Iso2022Jp::encode(QStringLiteral("測定 %1").arg(i))->toBase64() +
               "?=\r\nContent-Type: text/plain; charset=ISO-2022-JP\r\n\r\n" + jis;
    }
    const QByteArray utf8Body = text.toUtf8().toBase64();
    QByteArray lines;
    for (qsizetype p = 0; p < utf8Body.size(); p += 76)
        lines += utf8Body.mid(p, 76) + "\r\n";
    if (i % 3 == 2) {
        QByteArray blob(50 * 1024, Qt::Uninitialized);
        for (char& c : blob)
            c = char(QRandomGenerator::global()->bounded(256));
        const QByteArray b64 = blob.toBase64();
        QByteArray att;
        for (qsizetype p = 0; p < b64.size(); p += 76)
            att += b64.mid(p, 76) + "\r\n";
        return head + "Subject: bench " + QByteArray::number(i) +
               "\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\nContent-Type: text/plain; "
               "charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" +
               lines +
               "--b\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; "
               "filename=\"data" +
               QByteArray::number(i) + ".bin\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + att +
               "--b--\r\n";
    }
    return head + "Subject: bench " + QByteArray::number(i) +
           "\r\nContent-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n" + lines;
}
