#include "ui/footlabel.h"

#include <QPainter>
#include <QStyle>

namespace {

constexpr int kFlags = Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap;

} // namespace

FootLabel::FootLabel(QWidget* parent) : QLabel(parent) {
    setWordWrap(true);
    setAlignment(Qt::AlignLeft | Qt::AlignBottom);
}

int FootLabel::heightForWidth(int width) const {
    return fontMetrics().boundingRect(QRect(0, 0, width, 1 << 20), kFlags, words()).height();
}

void FootLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    style()->drawItemText(&painter, contentsRect(), kFlags, palette(), isEnabled(), words(),
                          foregroundRole());
}
