#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Base64 as mail carries it (RFC 2045): line breaks and any other byte
// outside the alphabet are skipped, and "=" closes the group in hand, so a
// body some mailers encode line by line, each line padded, decodes whole.
// A last group of a single character holds no byte and is dropped.
QByteArray DecodeBase64(QByteArrayView encoded);
