#pragma once

#include <QButtonGroup>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <memory>

#include "common/widgets/FormBuilder.h"
#include "controller/cycle/ControllerCycle.h"
#include "controller/cycle/CycleScreen.h"
#include "controller/cycle/StationDevices.h"

namespace tarvo {

// The controller form: the door selection, the verdict fields, the log, and the timer that runs
// the controller cycle every 2000 ms. The view only forwards to the cycle and shows what it says.
class CTarvoView : public QWidget, public CycleScreen, public MessageBox {
    Q_OBJECT

  public:
    explicit CTarvoView(const StationDevices& devices);
    ~CTarvoView() override;

    // Starts the cycle's timer.
    void OnInitialUpdate();
    // One step of the cycle. A tick that comes while a step is inside one of its pauses is
    // skipped.
    void OnTimer();
    // True while a step of the cycle is on the stack, in one of its pauses for instance.
    bool InTick() const { return m_inTick; }
    // No step of the cycle starts from now on; the one under way ends as it would.
    void StopCycle();

    char DoorDigit() const { return m_doorDigit; }
    QWidget* GetDlgItem(int id) const { return m_form.Item(id); }
    const ControllerCycle& Cycle() const { return m_cycle; }
    const QTimer& CycleTimer() const { return m_timer; }
    QTimer& CycleTimer() { return m_timer; }

    void SetDniField(std::string_view text) override;
    void SetNameField(std::string_view text) override;
    void ShowStatus(std::string_view text) override;
    void ShowLog(std::string_view joinedLines) override;
    void ShowStationState(std::string_view text) override;
    // Opens the window-modal OK box and returns at once; while it is open, the text goes to
    // the status bar instead.
    void ShowMessage(std::string_view text) override;

  signals:
    // A step of the cycle has returned.
    void TickEnded();

  private:
    void OnDoorClicked(int door);
    void SetDlgItemText(int id, std::string_view text);

    // The selected door, '1' to '8'; '0' until the operator picks one.
    char m_doorDigit = '0';
    common::BuiltForm m_form;
    QButtonGroup m_doorButtons;
    // The box of the last failure shown; replaced by the next one once answered.
    std::unique_ptr<QMessageBox> m_messageBox;
    QTimer m_timer;
    bool m_inTick = false;
    ControllerCycle m_cycle;
};

}  // namespace tarvo
