#include "text/iconvcodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {
iconv_t handle(void* cd) {
    return static_cast<iconv_t>(cd);
}
const auto kInvalid = reinterpret_cast<void*>(-1);
} // namespace

IconvCodec::IconvCodec(const char* to, const char* from) : cd_(iconv_open(to, from)) {}

IconvCodec::~IconvCodec() {
    if (valid())
        iconv_close(handle(cd_));
}

bool IconvCodec::valid() const {
    return cd_ != kInvalid;
}

QByteArray IconvCodec::convert(QByteArrayView in, const OnBad& onBad) {
    QByteArray out;
    out.resize(in.size() * 3 + 16);
    iconv(handle(cd_), nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = size_t(in.size());
    char* dst = out.data();
    size_t dstLeft = size_t(out.size());
    auto grow = [&](qsizetype atLeast) {
        const qsizetype used = dst - out.data();
        out.resize(std::max(out.size() * 2, used + atLeast + 16));
        dst = out.data() + used;
        dstLeft = size_t(out.size() - used);
    };
    while (srcLeft > 0) {
        if (iconv(handle(cd_), &src, &srcLeft, &dst, &dstLeft) != size_t(-1))
            break;
        if (errno == E2BIG) {
            grow(16);
            continue;
        }
        // EILSEQ or EINVAL: an unconvertible or truncated sequence.
        QByteArray replacement;
        const qsizetype skip = std::clamp<qsizetype>(
            onBad(QByteArrayView(src, qsizetype(srcLeft)), replacement), 1, qsizetype(srcLeft));
        if (size_t(replacement.size()) > dstLeft)
            grow(replacement.size());
        memcpy(dst, replacement.constData(), size_t(replacement.size()));
        dst += replacement.size();
        dstLeft -= size_t(replacement.size());
        src += skip;
        srcLeft -= size_t(skip);
        iconv(handle(cd_), nullptr, nullptr, nullptr, nullptr);
    }
    // Flush any pending shift state (ISO-2022 encoders end in ASCII).
    for (;;) {
        if (iconv(handle(cd_), nullptr, nullptr, &dst, &dstLeft) != size_t(-1) || errno != E2BIG)
            break;
        grow(16);
    }
    out.truncate(dst - out.data());
    return out;
}

bool IconvCodec::convertStrict(QByteArrayView in, QByteArray& out) {
    bool clean = true;
    out = convert(in, [&](QByteArrayView, QByteArray&) {
        clean = false;
        return qsizetype(1);
    });
    return clean;
}
