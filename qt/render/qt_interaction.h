#pragma once

#include "platform/host/interaction.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <string>

class QLabel;

namespace gsf::qt {

/// The progress indicator: a veil over a widget with the caption and a busy
/// bar. Painted at once when shown, since the remote call it covers blocks
/// the event loop.
class BusyOverlay : public QWidget {
    Q_OBJECT
public:
    explicit BusyOverlay(QWidget* covered);
    void showBusy(const QString& caption);
    QString caption() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* caption_;
};

/// Interaction with Qt dialogs, in Portuguese: message box, Sim/Não
/// question, pick list over a dataset, search dialog, busy overlay and the
/// application's wait cursor. Message boxes are wide enough for their title.
/// The search dialog finds as host::findRow does and offers, over the same
/// dataset, the field chosen the last time.
class QtInteraction : public host::Interaction {
public:
    /// @param dialogParent parent of the dialogs and the widget the busy
    /// overlay covers (may change with setDialogParent).
    explicit QtInteraction(QWidget* dialogParent = nullptr);
    ~QtInteraction() override;
    QtInteraction(const QtInteraction&) = delete;
    QtInteraction& operator=(const QtInteraction&) = delete;

    void setDialogParent(QWidget* parent);
    /// Unattended (a scripted tour without anyone at the screen): messages
    /// go to the standard error instead of a dialog, questions are answered
    /// Não, lists and searches choose nothing.
    void setUnattended(bool value) { unattended_ = value; }
    /// The overlay while the progress indicator is shown, else nullptr.
    BusyOverlay* overlay() const;

    void showError(const std::string& text) override;
    bool confirm(const std::string& text) override;
    std::optional<int> pickList(const std::string& title, const std::string& emptyText,
                                data::DataSource& source) override;
    bool search(data::DataSet& dataSet) override;
    void showProgress(int animationKind, const std::string& caption) override;
    void hideProgress() override;
    void setCursor(host::Cursor cursor) override;

private:
    /// A message box over @p over; the keyboard goes back to @p over's window.
    void warn(QWidget* over, const std::string& text);

    QPointer<QWidget> parent_;
    QPointer<BusyOverlay> overlay_;
    std::map<std::string, std::string> lastField_; // per dataset name
    bool waitCursor_ = false;
    bool unattended_ = false;
};

} // namespace gsf::qt
