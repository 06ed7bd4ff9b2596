#pragma once

#include <QLabel>

// A heading whose caption begins with a run of spaces that only pushed its
// words to the foot of the box on the platform the layout was drawn for. It
// keeps its caption as given and shows the words, wrapped, at the foot.
class FootLabel : public QLabel {
  public:
    explicit FootLabel(QWidget* parent = nullptr);

    int heightForWidth(int width) const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString words() const { return text().trimmed(); }
};
