#pragma once

#include <QSize>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "controller/ui/DialogUnits.h"
#include "controller/ui/FormTemplate.h"

namespace tarvo {

// The widgets of one template, placed on a parent at the template's positions. Controls are
// reached by identifier, as a dialog's items are. Owns its widgets: keep it a member of the
// parent widget, so that they go before the parent does.
class BuiltForm {
  public:
    BuiltForm(QWidget& parent, const FormTemplate& form);

    // The control with this identifier; null when the template has none.
    QWidget* Item(int id) const;
    template <class Widget>
    Widget* ItemAs(int id) const {
        return qobject_cast<Widget*>(Item(id));
    }

    QSize Size() const { return m_size; }
    BaseUnits Base() const { return m_base; }

  private:
    QWidget& Add(std::unique_ptr<QWidget> widget, const ControlTemplate& control);

    BaseUnits m_base;
    QSize m_size;
    std::vector<std::unique_ptr<QWidget>> m_widgets;
    std::map<int, QWidget*> m_byId;
};

}  // namespace tarvo
