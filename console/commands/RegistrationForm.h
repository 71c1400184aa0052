#pragma once

#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "DatabaseLocation.h"
#include "DateLists.h"
#include "FormControls.h"
#include "FormMembers.h"
#include "UserMessages.h"
#include "accessdb/Connection.h"

namespace mireval {

// The registration form's logic: its members, their exchange with the controls and the
// handlers of its seven commands. It reaches the controls and the message boxes only through
// the two interfaces, so it runs the same behind real widgets and in tests.
class RegistrationForm {
  public:
    RegistrationForm(FormControls& controls, UserMessages& messages, DatabaseLocation database,
                     int currentYear);

    // Fills the six date lists; once, when the form's controls have been created.
    void FillDateLists();
    // Writes the members to the controls: when the form is first shown, and again for each new
    // or opened document.
    void OnInitialUpdate();
    // true: controls into members; false: members into controls. In member order both ways.
    void UpdateData(bool saveAndValidate);

    // Button handlers. Each runs to its end; a failure no command handles itself (the database
    // cannot be opened) is shown in an OK box and ends that command.
    void OnClearForm();
    void OnIntervalClicked();
    void OnSearchRecord();
    void OnAddRecord();     // saves instead while in edit mode
    void OnModifyRecord();  // cancels instead while in edit mode
    void OnDeleteHistory();
    void OnDeleteRecord();

    // The DNI of the student whose record the form shows (after a search that found it, a
    // save, a cancel, a history deletion, and in edit mode); none on the initial or empty form.
    std::optional<std::string> ShownStudent() const;

    const FormMembers& Members() const { return m; }
    const DateListEntries& DateLists() const { return m_lists; }

  private:
    template <class Command>
    void AtHandlerEdge(Command command);

    void SearchRecord();
    void AddRecord();
    void SaveRecord();
    void EnterEditMode();
    void CancelEditMode();
    void DeleteHistory();
    void DeleteRecord();

    // What a search or a cancel found of the student.
    enum class RecordFound { NotRegistered, WithoutHistory, WithHistory };
    // Shared by the search and the cancel: the student's row and history into members and
    // check boxes (nothing changes when the student is not registered).
    RecordFound ReadRecord(accessdb::Connection& db, bool blankDatesWhenPeriodOff);
    void ShowStoredDate(const std::string& stored, std::string& day, std::string& month,
                        std::string& year) const;
    bool PeriodIsValid() const;
    std::string AddedConfirmation() const;

    bool DniHasWrongLength() const;
    void EmptyDniAndNames();
    void BlankDates();
    void Enable(std::initializer_list<int> controlIds, bool enable);
    void EnableAll(std::span<const int> controlIds, bool enable);

    void ShowRecordButtons();    // the buttons of a shown record
    void EmptyFormStates();      // the enabled states of the empty form
    void LeaveEditModeStates();  // after a save
    void ShowCancelledStates();  // after a cancel, whatever the reload found
    // The names are editable before a record is shown and in edit mode, read-only otherwise.
    void SetNamesReadOnly(bool readOnly);

    FormControls& m_controls;
    UserMessages& m_messages;
    DatabaseLocation m_database;
    DateListEntries m_lists;
    FormMembers m;
};

}  // namespace mireval
