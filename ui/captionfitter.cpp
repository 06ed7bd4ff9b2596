#include "ui/captionfitter.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>

namespace {

constexpr qreal kSmallestPoints = 6;
constexpr qreal kStepPoints = 0.5;

// A caption as it is drawn: "&File" shows as "File".
QString shown(QString text) {
    return text.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(u'&').replace(u'\x01', u'&');
}

bool hasCaption(const QWidget* w) {
    if (const auto* label = qobject_cast<const QLabel*>(w))
        return !label->text().isEmpty();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w))
        return !button->text().isEmpty();
    return false;
}

} // namespace

bool CaptionFitter::fits(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control)) {
        const QRect room = label->contentsRect();
        if (label->wordWrap())
            return label->heightForWidth(label->width()) <= label->height();
        const int margins = 2 * label->margin() + std::max(0, label->indent());
        return QFontMetrics(label->font()).horizontalAdvance(shown(label->text())) + margins <= room.width();
    }
    if (const auto* button = qobject_cast<const QPushButton*>(control)) {
        const int frame = button->style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, button);
        return QFontMetrics(button->font()).horizontalAdvance(shown(button->text())) + frame <=
               button->width();
    }
    if (qobject_cast<const QCheckBox*>(control) || qobject_cast<const QRadioButton*>(control))
        return control->sizeHint().width() <= control->width();
    return true;
}

void CaptionFitter::fit(QWidget* window) {
    for (QWidget* control : window->findChildren<QWidget*>()) {
        if (!hasCaption(control))
            continue;
        QFont font = control->font();
        while (!fits(control) && font.pointSizeF() - kStepPoints >= kSmallestPoints) {
            font.setPointSizeF(font.pointSizeF() - kStepPoints);
            control->setFont(font);
        }
    }
}

bool CaptionFitter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* w = static_cast<QWidget*>(watched);
        static const char* const kFitted = "fennickCaptionsFitted";
        if (w->isWindow() && !qobject_cast<QDialog*>(w) && !w->property(kFitted).toBool()) {
            w->setProperty(kFitted, true);
            fit(w);
        }
    }
    return QObject::eventFilter(watched, event);
}
