#pragma once

#include <QSize>
#include <QWidget>
#include <map>
#include <memory>
#include <vector>

#include "common/FormTemplate.h"
#include "common/widgets/DialogUnits.h"

namespace common {

// The widgets of one template on a parent: at the template's places in the template's font,
// with its texts, styles and initial states, in its tab order. Controls are reached by
// identifier, as a dialog's items are. Owns its widgets: keep it a member of the parent widget,
// so that they go before the parent does.
class BuiltForm {
  public:
    // Gives the parent the template's font and fixes the parent at the template's size.
    BuiltForm(QWidget& parent, const FormTemplate& form);
    BuiltForm(const BuiltForm&) = delete;
    BuiltForm& operator=(const BuiltForm&) = delete;

    // The control with this identifier; null when the template has none.
    QWidget* Item(int id) const;
    template <class Widget>
    Widget* ItemAs(int id) const {
        return qobject_cast<Widget*>(Item(id));
    }
    // Every control that has an identifier.
    const std::map<int, QWidget*>& Items() const { return m_byId; }

    QSize Size() const { return m_size; }
    BaseUnits Base() const { return m_base; }

  private:
    void Place(QWidget& widget, const ControlTemplate& control) const;

    BaseUnits m_base;
    QSize m_size;
    std::vector<std::unique_ptr<QWidget>> m_widgets;
    std::map<int, QWidget*> m_byId;
};

}  // namespace common
