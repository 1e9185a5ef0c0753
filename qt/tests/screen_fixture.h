#pragma once

#include "platform/host/host_context.h"
#include "platform/sql/general_data.h"
#include "qt/hostapp/package_loader.h"
#include "qt/tests/qt_test_support.h"
#include "tests/support/server_fixture.h"

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

} // namespace gsf::qt::test
