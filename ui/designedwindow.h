#pragma once

#include <QWidget>
#include <vector>

#include "ui/controltable.h"

// A window built from its design table: every control created, named,
// placed (twips to pixels), captioned and given its hover help here. The
// help shows in the design's help box, or as the tool tip where it has
// none; one event filter follows the pointer for all the controls. Controls
// at the foot are kept there on resize, then the window's own rules
// (Form_Resize) run.
class DesignedWindow : public QWidget {
    Q_OBJECT
  public:
    const WindowDesign& design() const { return design_; }
    // The control of a design row.
    QWidget* control(const ControlRow& row) const;

    // The window's resize rules; run on every change of size.
    virtual void Form_Resize() {}

    // The window's outer size (frame and title bar included), in twips.
    int outerWidthTwips() const;
    int outerHeightTwips() const;

  protected:
    DesignedWindow(const WindowDesign& design, Qt::WindowFlags flags = {});

    // Builds the table. Design positions start `top` pixels down (below a menu bar).
    void build(int top = 0);
    int designTop() const { return top_; }

    // A control's place in design twips (below `top` for the window's own controls).
    int leftTwips(const QWidget* w) const;
    int topTwips(const QWidget* w) const;
    int widthTwips(const QWidget* w) const;
    int heightTwips(const QWidget* w) const;
    void setLeftTwips(QWidget* w, int left);
    void setTopTwips(QWidget* w, int top);
    void setWidthTwips(QWidget* w, int width);
    void setHeightTwips(QWidget* w, int height);
    void resizeTwips(QWidget* w, int width, int height);
    void placeTwips(QWidget* w, int left, int top, int width, int height);

    // The hover help of `control` in the help box, or the box hidden and emptied.
    void showHelpOf(const QWidget* control);
    void hideHelp();

    void resizeEvent(QResizeEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Built {
        const ControlRow* row;
        QWidget* control;
    };
    QWidget* find(const char* name) const;
    const ControlRow* rowWatching(const QObject* watched) const;
    int originOf(const QWidget* w) const;

    const WindowDesign& design_;
    std::vector<Built> built_;
    QWidget* helpBox_ = nullptr;
    int top_ = 0;
};
