#include "mime/mimedecoder.h"

#include <gmime/gmime.h>

#include "mime/base64.h"
#include "mime/charsets.h"
#include "mime/headertext.h"
#include "mime/htmltext.h"
#include "text/text.h"

namespace {

template <typename T> struct GObjectRef {
    T* p;
    explicit GObjectRef(T* ptr) : p(ptr) {}
    ~GObjectRef() {
        if (p)
            g_object_unref(p);
    }
    GObjectRef(const GObjectRef&) = delete;
    GObjectRef& operator=(const GObjectRef&) = delete;
};

QByteArray rawHeader(GMimeObject* object, const char* name) {
    GMimeHeaderList* list = g_mime_object_get_header_list(object);
    const int count = g_mime_header_list_get_count(list);
    for (int i = 0; i < count; ++i) {
        GMimeHeader* h = g_mime_header_list_get_header_at(list, i);
        if (g_ascii_strcasecmp(g_mime_header_get_name(h), name) == 0) {
            const char* v = g_mime_header_get_raw_value(h);
            return v ? QByteArray(v).trimmed() : QByteArray();
        }
    }
    return {};
}

// The stream as it stands in the message, before any decoding.
QByteArray encodedBytes(GMimeStream* stream) {
    g_mime_stream_reset(stream);
    // One more than the length, so that the end is seen without growing.
    QByteArray bytes(qsizetype(std::max<gint64>(g_mime_stream_length(stream), 0)) + 1, Qt::Uninitialized);
    qsizetype got = 0;
    for (ssize_t n; (n = g_mime_stream_read(stream, bytes.data() + got, size_t(bytes.size() - got))) > 0;)
        if ((got += n) == bytes.size())
            bytes.resize(2 * bytes.size());
    bytes.truncate(got);
    return bytes;
}

QByteArray decodedContent(GMimePart* part) {
    GMimeDataWrapper* content = g_mime_part_get_content(part);
    if (!content)
        return {};
    // Most of what a check decodes: done here in one pass, without a filter
    // chain and a copy per stage.
    if (g_mime_data_wrapper_get_encoding(content) == GMIME_CONTENT_ENCODING_BASE64)
        return DecodeBase64(encodedBytes(g_mime_data_wrapper_get_stream(content)));
    GObjectRef<GMimeStream> out(g_mime_stream_mem_new());
    g_mime_data_wrapper_write_to_stream(content, out.p);
    GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.p));
    return QByteArray(reinterpret_cast<const char*>(bytes->data), qsizetype(bytes->len));
}

// The header lines, up to the first empty line (CR LF or a lone LF), in one
// pass: a message's body is not read for it.
QByteArray headerBlock(QByteArrayView raw) {
    for (qsizetype at = raw.indexOf('\n'); at >= 0; at = raw.indexOf('\n', at + 1)) {
        const bool emptyNext = at + 1 < raw.size() && raw[at + 1] == '\n';
        const bool emptyCrLfNext = at + 2 < raw.size() && raw[at + 1] == '\r' && raw[at + 2] == '\n';
        if (emptyNext || emptyCrLfNext)
            return raw.first(at > 0 && raw[at - 1] == '\r' ? at - 1 : at).toByteArray();
    }
    return raw.toByteArray();
}

struct Walker {
    ReceivedMessage& message;
    QString plainBody;
    QString htmlBody;
    bool havePlain = false;
    bool haveHtml = false;

    void visit(GMimeObject* object) {
        if (GMIME_IS_MESSAGE_PARTIAL(object)) {
            message.partsMissing = true;
            return;
        }
        if (GMIME_IS_MULTIPART(object)) {
            GMimeMultipart* multipart = GMIME_MULTIPART(object);
            const int count = g_mime_multipart_get_count(multipart);
            for (int i = 0; i < count; ++i)
                visit(g_mime_multipart_get_part(multipart, i));
            return;
        }
        if (GMIME_IS_MESSAGE_PART(object)) {
            // A forwarded mail travels whole, as a file the user can open.
            GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(object));
            QByteArray bytes;
            if (inner) {
                GObjectRef<GMimeStream> out(g_mime_stream_mem_new());
                g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, out.p);
                GByteArray* b = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(out.p));
                bytes = QByteArray(reinterpret_cast<const char*>(b->data), qsizetype(b->len));
            }
            message.attachments.append({fileName(object), bytes});
            return;
        }
        if (!GMIME_IS_PART(object))
            return;
        leaf(GMIME_PART(object));
    }

    static QString fileName(GMimeObject* object) {
        const QByteArray disposition = rawHeader(object, "Content-Disposition");
        QString name = HeaderText::parameter(disposition, "filename");
        if (name.isEmpty())
            name = HeaderText::parameter(rawHeader(object, "Content-Type"), "name");
        return name;
    }

    void leaf(GMimePart* part) {
        GMimeObject* object = GMIME_OBJECT(part);
        const QByteArray contentType = rawHeader(object, "Content-Type");
        QByteArray type = HeaderText::leadingToken(contentType);
        if (type.isEmpty() || !type.contains('/'))
            type = "text/plain"; // RFC 2045 default
        const QByteArray disposition = HeaderText::leadingToken(rawHeader(object, "Content-Disposition"));
        const QString name = fileName(object);
        const bool isText = type.startsWith("text/");
        if (!name.isEmpty() || disposition == "attachment" || !isText) {
            message.attachments.append({name, decodedContent(part)});
            return;
        }
        const QString charset = HeaderText::parameter(contentType, "charset");
        const QString text = Charsets::decode(decodedContent(part), charset.toLatin1());
        if (type == "text/html") {
            if (!haveHtml) {
                htmlBody = text;
                haveHtml = true;
            }
        } else if (!havePlain) {
            plainBody = text;
            havePlain = true;
        }
    }
};

} // namespace

namespace MimeDecoder {

ReceivedMessage decode(QByteArrayView raw) {
    ReceivedMessage message;
    message.header = Charsets::decodeUnlabelled(headerBlock(raw));
    static const char empty[1] = {0};
    GObjectRef<GMimeStream> stream(
        g_mime_stream_mem_new_with_buffer(raw.isEmpty() ? empty : raw.data(), size_t(raw.size())));
    GObjectRef<GMimeParser> parser(g_mime_parser_new_with_stream(stream.p));
    GObjectRef<GMimeMessage> parsed(g_mime_parser_construct_message(parser.p, nullptr));
    if (!parsed.p) {
        message.body = Charsets::decodeUnlabelled(raw);
        return message;
    }
    GMimeObject* top = GMIME_OBJECT(parsed.p);
    message.subject = HeaderText::decode(rawHeader(top, "Subject"));
    message.date = HeaderText::decode(rawHeader(top, "Date"));
    message.sender = HeaderText::decode(rawHeader(top, "From"));

    Walker walker{message, {}, {}, false, false};
    if (GMimeObject* body = g_mime_message_get_mime_part(parsed.p))
        walker.visit(body);
    if (walker.havePlain)
        message.body = ToCrLf(walker.plainBody);
    else if (walker.haveHtml)
        message.body = HtmlText::toPlainText(walker.htmlBody);
    message.html = walker.htmlBody;
    return message;
}

} // namespace MimeDecoder
