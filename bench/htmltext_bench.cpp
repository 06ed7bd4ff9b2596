// The HTML-to-text pass on hostile markup of 1, 2, 4 and 8 MB: openings
// never closed, end tags that nearly match, deep nesting, endless attribute
// values. A pattern-based pass took a minute on 600 KB of unclosed <head>
// openings; each shape here must take time in proportion to its size, well
// under a second at 8 MB. Usage: htmltext_bench
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

#include "mime/htmltext.h"

namespace {

struct Shape {
    const char* name;
    QString opening; // once, before the repeated piece
    QString piece;
};

QString markup(const Shape& shape, qsizetype size) {
    QString html = shape.opening;
    html.reserve(size + shape.piece.size());
    while (html.size() < size)
        html += shape.piece;
    return html;
}

long peakRssKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main() {
    const Shape shapes[] = {
        {"unclosed <head> openings", {}, QStringLiteral("<head>/")},
        {"<head openings without >", {}, QStringLiteral("<head ")},
        {"<head>, <script>, <style> mixed", {}, QStringLiteral("<head><script></hea<style>/")},
        {"unclosed <script>, near-miss ends", QStringLiteral("<script>"),
         QStringLiteral("x</scrip</scripts ")},
        {"unclosed <style>, near-miss ends", QStringLiteral("<style>"), QStringLiteral("a{}</styl")},
        {"unterminated <!--, near-miss ends", QStringLiteral("<!--"), QStringLiteral("- -- --! -!>")},
        {"<!-- openings", {}, QStringLiteral("<!-")},
        {"many < without >", {}, QStringLiteral("a<b")},
        {"lone < as text", {}, QStringLiteral("< ")},
        {"deep nesting", {}, QStringLiteral("<div><span><b>x")},
        {"huge quoted attribute value", QStringLiteral("<img alt=\""), QStringLiteral("x>")},
        {"huge unquoted attribute value", QStringLiteral("<a href="), QStringLiteral("x<'\"")},
        {"attributes and quotes in end tags", {}, QStringLiteral("</p a='>' b=\"\"c>")},
        {"entities", {}, QStringLiteral("&amp;&#x41;&bogus&#12345678;&")},
        {"line breaks around comments", {}, QStringLiteral("x\r\n<!-- -->\r\n<br>")},
    };
    constexpr qsizetype kMegabyte = 1024 * 1024;
    const qsizetype sizes[] = {1 * kMegabyte, 2 * kMegabyte, 4 * kMegabyte, 8 * kMegabyte};

    std::printf("%-36s %9s %9s %9s %9s %10s\n", "shape (ms per size)", "1 MB", "2 MB", "4 MB", "8 MB",
                "8 MB text");
    double slowestMs = 0;
    for (const Shape& shape : shapes) {
        std::printf("%-36s", shape.name);
        qsizetype textSize = 0;
        for (const qsizetype size : sizes) {
            const QString html = markup(shape, size);
            QElapsedTimer timer;
            timer.start();
            const QString text = HtmlText::toPlainText(html);
            const double ms = timer.nsecsElapsed() / 1e6;
            if (text.size() > html.size())
                qFatal("%s: %lld characters of text from %lld of markup", shape.name, qint64(text.size()),
                       qint64(html.size()));
            slowestMs = std::max(slowestMs, ms);
            textSize = text.size();
            std::printf(" %9.1f", ms);
        }
        std::printf(" %10lld\n", qint64(textSize));
    }
    std::printf("slowest: %.1f ms; peak RSS %.1f MB\n", slowestMs, peakRssKb() / 1024.0);
    return slowestMs < 1000 ? 0 : 1;
}
