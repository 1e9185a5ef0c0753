#pragma once

#include <QMainWindow>

#include <map>

class QMdiArea;
class QMdiSubWindow;

namespace gsf::ui {
class Form;
}

namespace gsf::qt {

class FormView;
class PackageLoader;

/// The host's main window: an MDI area and the menu entry "Faturamento" →
/// "Grupo de Serviço para Faturamento", which calls the package's IniProc
/// and shows the form it exports in an MDI child (a new view for a new form,
/// the existing one raised otherwise). A child goes away when its model form
/// closes; closing the child's window asks the model first.
class HostWindow : public QMainWindow {
    Q_OBJECT
public:
    /// @param package loaded package (not owned; must outlive the window's views).
    explicit HostWindow(PackageLoader& package, QWidget* parent = nullptr);
    ~HostWindow() override;

    QMdiArea* mdiArea() const { return mdi_; }
    /// The view of the package's current form, or nullptr when none is open.
    FormView* currentView() const;

public slots:
    /// What the menu entry does.
    void openScreen();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QMdiSubWindow* addView(ui::Form& form);

    PackageLoader& package_;
    QMdiArea* mdi_;
    std::map<ui::Form*, QMdiSubWindow*> windows_;
};

} // namespace gsf::qt
