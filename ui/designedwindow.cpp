#include "ui/designedwindow.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <cstring>

#include "ui/twips.h"

namespace {

void setCaption(QWidget* control, const QString& caption) {
    if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(caption);
}

// What the pointer moves over: a scroll area's moves reach its viewport.
QWidget* pointerSurface(QWidget* control) {
    auto* area = qobject_cast<QAbstractScrollArea*>(control);
    return area ? area->viewport() : nullptr;
}

} // namespace

DesignedWindow::DesignedWindow(const WindowDesign& design, Qt::WindowFlags flags)
    : QWidget(nullptr, flags), design_(design) {
    setObjectName(QLatin1String(design.name));
    if (!design.title.isEmpty())
        setWindowTitle(design.title.toString());
    setMouseTracking(true); // moves over the window's own surface
}

void DesignedWindow::build(int top) {
    top_ = top;
    const QSize size(Twips::toPixels(design_.width), Twips::toPixels(design_.height) + top);
    if (design_.fixedSize)
        setFixedSize(size);
    else
        resize(size);
    built_.reserve(design_.rows.size());
    for (const ControlRow& row : design_.rows) {
        QWidget* holder = row.holder ? find(row.holder) : this;
        Q_ASSERT_X(holder, row.name, "a holder's row comes before the rows of its controls");
        QWidget* w = row.maker.create(this, holder);
        w->setObjectName(QLatin1String(row.name));
        const TwipsRect& p = row.place;
        w->setGeometry(Twips::rect(p.left, p.top, p.width, p.height).translated(0, holder == this ? top : 0));
        if (!row.caption.isEmpty())
            setCaption(w, row.caption.toString());
        // A move over a control stays with it: only the window's own surface is the surface.
        w->setAttribute(Qt::WA_NoMousePropagation);
        built_.push_back({&row, w});
    }
    helpBox_ = design_.helpBox ? find(design_.helpBox) : nullptr;
    for (const Built& b : built_) {
        if (auto* label = qobject_cast<QLabel*>(b.control); label && b.row->buddyName)
            label->setBuddy(find(b.row->buddyName));
        if (!b.row->help.isEmpty() && !helpBox_)
            b.control->setToolTip(b.row->help.toString());
        if (helpBox_ && (!b.row->help.isEmpty() || b.row->clearsHelp)) {
            for (QWidget* surface : {b.control, pointerSurface(b.control)}) {
                if (!surface)
                    continue;
                surface->setMouseTracking(true);
                surface->installEventFilter(this);
            }
        }
    }
    for (std::size_t i = 1; i < design_.tabOrder.size(); ++i)
        QWidget::setTabOrder(find(design_.tabOrder[i - 1]), find(design_.tabOrder[i]));
}

QWidget* DesignedWindow::find(const char* name) const {
    for (const Built& b : built_)
        if (std::strcmp(b.row->name, name) == 0)
            return b.control;
    return nullptr;
}

QWidget* DesignedWindow::control(const ControlRow& row) const {
    for (const Built& b : built_)
        if (b.row == &row)
            return b.control;
    return nullptr;
}

const ControlRow* DesignedWindow::rowWatching(const QObject* watched) const {
    for (const Built& b : built_)
        if (watched == b.control || watched == pointerSurface(b.control))
            return b.row;
    return nullptr;
}

int DesignedWindow::originOf(const QWidget* w) const {
    return w->parentWidget() == this ? top_ : 0;
}

int DesignedWindow::outerWidthTwips() const {
    return Twips::fromPixels(frameGeometry().width());
}

int DesignedWindow::outerHeightTwips() const {
    return Twips::fromPixels(frameGeometry().height());
}

int DesignedWindow::leftTwips(const QWidget* w) const {
    return Twips::fromPixels(w->x());
}

int DesignedWindow::topTwips(const QWidget* w) const {
    return Twips::fromPixels(w->y() - originOf(w));
}

int DesignedWindow::widthTwips(const QWidget* w) const {
    return Twips::fromPixels(w->width());
}

int DesignedWindow::heightTwips(const QWidget* w) const {
    return Twips::fromPixels(w->height());
}

void DesignedWindow::setLeftTwips(QWidget* w, int left) {
    w->move(Twips::toPixels(left), w->y());
}

void DesignedWindow::setTopTwips(QWidget* w, int top) {
    w->move(w->x(), Twips::toPixels(top) + originOf(w));
}

void DesignedWindow::setWidthTwips(QWidget* w, int width) {
    w->resize(Twips::toPixels(width), w->height());
}

void DesignedWindow::setHeightTwips(QWidget* w, int height) {
    w->resize(w->width(), Twips::toPixels(height));
}

void DesignedWindow::resizeTwips(QWidget* w, int width, int height) {
    w->resize(Twips::toPixels(width), Twips::toPixels(height));
}

void DesignedWindow::placeTwips(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(Twips::rect(left, top, width, height).translated(0, originOf(w)));
}

void DesignedWindow::showHelpOf(const QWidget* control) {
    const ControlRow* row = rowWatching(control);
    if (!helpBox_ || !row)
        return;
    if (auto* label = qobject_cast<QLabel*>(helpBox_))
        label->setText(row->help.toString());
    else if (auto* box = qobject_cast<QPlainTextEdit*>(helpBox_))
        box->setPlainText(row->help.toString());
    helpBox_->show();
    helpBox_->raise();
}

void DesignedWindow::hideHelp() {
    if (!helpBox_)
        return;
    helpBox_->hide();
    if (auto* label = qobject_cast<QLabel*>(helpBox_))
        label->clear();
    else if (auto* box = qobject_cast<QPlainTextEdit*>(helpBox_))
        box->clear();
}

void DesignedWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    for (const Built& b : built_)
        if (b.row->docked) {
            const int height = Twips::toPixels(b.row->place.height);
            b.control->setGeometry(0, this->height() - height, width(), height);
        }
    Form_Resize();
}

void DesignedWindow::mouseMoveEvent(QMouseEvent* event) {
    if (design_.surfaceHidesHelp)
        hideHelp();
    QWidget::mouseMoveEvent(event);
}

bool DesignedWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) {
        const ControlRow* row = rowWatching(watched);
        // A disabled control reacts to no pointer movement.
        if (row && control(*row)->isEnabled()) {
            if (!row->help.isEmpty())
                showHelpOf(control(*row));
            else if (row->clearsHelp)
                hideHelp();
        }
    }
    return QWidget::eventFilter(watched, event);
}
