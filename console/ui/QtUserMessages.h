#pragma once

#include <QPointer>
#include <QWidget>

#include "console/commands/UserMessages.h"

namespace mireval::ui {

// The console's message boxes as modal Qt boxes, captioned "Mireval". Texts are shown as
// plain text: "<NINGUNA>" is a word of the message, not markup.
class QtUserMessages : public UserMessages {
  public:
    explicit QtUserMessages(QWidget* parent) : m_parent(parent) {}

    void ShowMessage(std::string_view text) override;
    bool Confirm(std::string_view text) override;

  private:
    QPointer<QWidget> m_parent;
};

}  // namespace mireval::ui
