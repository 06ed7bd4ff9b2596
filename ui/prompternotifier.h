#pragma once

#include "transport/usernotifier.h"
#include "ui/prompter.h"

class QWidget;

// Receiving and sending report through message boxes with an OK button.
class PrompterNotifier : public UserNotifier {
  public:
    PrompterNotifier(Prompter& prompter, QWidget* parent) : prompter_(prompter), parent_(parent) {}
    void notify(const QString& text, const QString& title) override {
        prompter_.message(parent_, text, title, Prompter::Icon::None, Prompter::Buttons::Ok);
    }

  private:
    Prompter& prompter_;
    QWidget* parent_;
};
