#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <functional>

// One direction of a glibc iconv conversion. A sequence it cannot convert is
// handed to a callback that appends a replacement and says how many input
// bytes to skip, so no conversion ever fails as a whole.
class IconvCodec {
  public:
    IconvCodec(const char* to, const char* from);
    ~IconvCodec();
    IconvCodec(const IconvCodec&) = delete;
    IconvCodec& operator=(const IconvCodec&) = delete;

    bool valid() const;

    // onBad(rest of input, replacement out) -> bytes to skip (at least 1).
    using OnBad = std::function<qsizetype(QByteArrayView, QByteArray&)>;
    QByteArray convert(QByteArrayView in, const OnBad& onBad);

    // Converts only when every sequence converts.
    bool convertStrict(QByteArrayView in, QByteArray& out);

  private:
    void* cd_;
};
