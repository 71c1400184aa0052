#include "FieldCaptions.h"

#include <QLabel>

#include "common/widgets/QtText.h"
#include "console/commands/ControlIds.h"

namespace mireval::ui {

namespace {

// A field, the label beside it, and the frame around it where two fields share a caption.
struct LabelledField {
    int field;
    int label;
    int group;  // 0: none
};

constexpr LabelledField kLabelledFields[] = {
    {ids::kDni, ids::kDniLabel, 0},
    {ids::kNombre, ids::kNombreLabel, 0},
    {ids::kApellido1, ids::kApellido1Label, 0},
    {ids::kApellido2, ids::kApellido2Label, 0},
    {ids::kDiaA, ids::kDiaALabel, ids::kStartDateGroup},
    {ids::kMesA, ids::kMesALabel, ids::kStartDateGroup},
    {ids::kAnioA, ids::kAnioALabel, ids::kStartDateGroup},
    {ids::kDiaB, ids::kDiaBLabel, ids::kEndDateGroup},
    {ids::kMesB, ids::kMesBLabel, ids::kEndDateGroup},
    {ids::kAnioB, ids::kAnioBLabel, ids::kEndDateGroup},
    {ids::kHistory, ids::kHistoryGroup, 0},
};

QString CaptionOf(const common::FormTemplate& formTemplate, int id) {
    const common::ControlTemplate* control = formTemplate.Find(id);
    return control != nullptr ? common::FromUtf8(control->text).trimmed() : QString();
}

}  // namespace

void NameFieldsByTheirCaptions(const common::BuiltForm& form,
                               const common::FormTemplate& formTemplate) {
    for (const LabelledField& entry : kLabelledFields) {
        QWidget* field = form.Item(entry.field);
        if (field == nullptr) {
            continue;
        }
        field->setAccessibleName(CaptionOf(formTemplate, entry.label));
        if (auto* label = form.ItemAs<QLabel>(entry.label)) {
            label->setBuddy(field);  // the label relation, as Linux readers use it
        }
        if (entry.group != 0) {
            field->setAccessibleDescription(CaptionOf(formTemplate, entry.group));
        }
    }
}

}  // namespace mireval::ui
