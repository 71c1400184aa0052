#pragma once

#include <QWidget>
#include <map>

#include "console/commands/FormControls.h"

namespace mireval::ui {

// The form's controls as real widgets, reached by identifier. The widgets belong to the form
// view; this only observes them.
class QtFormControls : public FormControls {
  public:
    explicit QtFormControls(std::map<int, QWidget*> widgets) : m_widgets(std::move(widgets)) {}

    void EnableWindow(int id, bool enable) override;
    bool IsWindowEnabled(int id) const override;
    std::string GetWindowText(int id) const override;
    void SetWindowText(int id, std::string_view text) override;
    int GetCheck(int id) const override;
    void SetCheck(int id, int state) override;
    bool IsReadOnly(int id) const override;
    void SetReadOnly(int id, bool readOnly) override;
    void AddString(int id, std::string_view entry) override;
    bool SelectString(int id, std::string_view prefix) override;
    std::vector<std::string> ListEntries(int id) const override;

    QWidget* GetDlgItem(int id) const;

  private:
    template <class Widget>
    Widget* As(int id) const;

    std::map<int, QWidget*> m_widgets;
};

}  // namespace mireval::ui
