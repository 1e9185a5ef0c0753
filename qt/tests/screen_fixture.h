#pragma once

#include "platform/host/host_context.h"
#include "platform/sql/general/general_data.h"
#include "records/demo_setup.h"
#include "platform/ui/ui.h"
#include "qt/hostapp/host_window.h"
#include "qt/hostapp/package_loader.h"
#include "qt/render/form_view.h"
#include "qt/tests/qt_test_support.h"
#include "tests/support/server_fixture.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace gsf::qt::test {

/// The real server with its demo data, the host context pointing at it, the
/// general database opened on it and the screen's package loaded the way
/// the host loads it; dialogs answered by a ScriptedInteraction.
class ScreenFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        application();
        host::HostContext context;
        context.billingTypes = records::demoBillingTypes();
        context.branchCode = "0001";
        context.branchName = "Filial Centro";
        context.serverHost = server_.host();
        context.serverPort = server_.port();
        context.database = server_.databasePath();
        host::setHostContext(context);
        sql::dtmDBGeral.Open(server_.databasePath());
        package_ = std::make_unique<PackageLoader>(QStringLiteral(GSF_PACKAGE_PATH));
        ASSERT_TRUE(package_->load()) << package_->error().toStdString();
    }
    void TearDown() override
    {
        package_.reset();
        sql::dtmDBGeral.Close();
    }

    gsf::test::ServerFixture server_;
    host::ScriptedInteraction person_;
    host::InteractionScope scope_{person_};
    std::unique_ptr<PackageLoader> package_;
};

/// The screen as a clerk reaches it: the host's main window, its menu entry
/// opening the package's screen in an MDI child, and every key sent to the
/// widget that has the keyboard focus, as a keyboard sends it.
class HostScreen : public ScreenFixture {
protected:
    void SetUp() override
    {
        ScreenFixture::SetUp();
        if (HasFatalFailure())
            return;
        window_ = std::make_unique<HostWindow>(*package_);
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    void TearDown() override
    {
        window_.reset();
        ScreenFixture::TearDown();
    }

    /// Opens the screen from the host's menu entry and lets the window settle.
    void open()
    {
        window_->openScreen();
        view_ = window_->currentView();
        ASSERT_NE(view_, nullptr);
        form_ = &view_->form();
        QTest::qWait(20);
    }
    static QWidget* focused() { return QApplication::focusWidget(); }
    /// Keys to whatever has the keyboard focus.
    static void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focused(), k, modifiers);
    }
    /// Each character to whatever has the focus when it is typed (a cell's
    /// editor opens at the first one).
    static void type(const QString& text)
    {
        for (const QChar ch : text) {
            const char16_t upper = ch.toUpper().unicode();
            const bool plain = (upper >= u'A' && upper <= u'Z') || (upper >= u'0' && upper <= u'9') || upper == u' ';
            QTest::sendKeyEvent(QTest::Click, focused(), plain ? Qt::Key(upper) : Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
        }
    }
    template <class T = ui::Control>
    T& control(const std::string& name) const
    {
        auto* found = dynamic_cast<T*>(form_->FindControl(name));
        if (found == nullptr)
            throw std::invalid_argument("no control " + name);
        return *found;
    }
    template <class W>
    W* widget(const std::string& name) const
    {
        return qobject_cast<W*>(view_->widgetFor(name));
    }
    /// The name of the control that has the model's focus ("" for none).
    std::string modelFocus() const
    {
        return form_->FocusedControl() == nullptr ? std::string() : form_->FocusedControl()->Name();
    }
    /// The Qt focus is on the widget of the model's focused control (or inside it).
    bool focusAgrees() const
    {
        QWidget* shown = form_->FocusedControl() == nullptr ? nullptr : view_->widgetFor(*form_->FocusedControl());
        return shown != nullptr && (shown == focused() || shown->isAncestorOf(focused()));
    }
    /// Branch 0001 is preset: Tab to the client, type it, Tab into the groups.
    void chooseClient()
    {
        ASSERT_EQ(modelFocus(), "medCdFilial");
        key(Qt::Key_Tab);
        type(QStringLiteral("11222333000181"));
        key(Qt::Key_Tab);
        ASSERT_EQ(modelFocus(), "dbgPadrao");
    }
    /// The page in front.
    std::string page() const { return control<ui::PageControl>("pgcPadrao").ActivePage()->Name(); }
    /// Ctrl+Tab until @p name is in front. @return false when a round of
    /// the pages never brought it.
    bool ctrlTabTo(const std::string& name)
    {
        for (int i = 0; i < 4 && page() != name; ++i)
            key(Qt::Key_Tab, Qt::ControlModifier);
        return page() == name;
    }
    void save(const QString& name) { window_->grab().save(screenshotDir().filePath(name + ".png"), "PNG"); }

    std::unique_ptr<HostWindow> window_;
    FormView* view_ = nullptr;
    ui::Form* form_ = nullptr;
};

} // namespace gsf::qt::test
