#pragma once

#include <QObject>

class QWidget;

// The layouts were drawn for another platform's fonts: a caption that would
// be cut off at its control's size gets a smaller font, step by step, until
// it fits. Controls keep their places and sizes. Installed on the
// application, it fits every window of ours as it is first shown (Qt's own
// dialogs size themselves and are left alone).
class CaptionFitter : public QObject {
  public:
    // Fits the labels, buttons, check boxes and option buttons of `window`.
    static void fit(QWidget* window);
    // Whether the whole caption of `control` shows at its size.
    static bool fits(const QWidget* control);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
