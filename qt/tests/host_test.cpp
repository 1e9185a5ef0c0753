#include "qt/hostapp/host_options.h"
#include "qt/hostapp/host_window.h"
#include "qt/render/form_view.h"
#include "qt/tests/screen_fixture.h"

#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace gsf::qt::test {
namespace {

TEST(HostOptions, CommandLineOverridesTheConfigurationFile)
{
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("host.ini"));
    QFile file(ini);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[host]\nbranch=0002\nbranchName=Filial Norte\nbranchFixed=true\nserver=srv.local:9000\n"
               "database=/tmp/geral.db\n[package]\npath=/opt/libCli_Vex04120.so\n");
    file.close();

    HostOptions options = parseHostOptions({"host", "--config", ini});
    ASSERT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_EQ(options.context.branchCode, "0002");
    EXPECT_EQ(options.context.branchName, "Filial Norte");
    EXPECT_TRUE(options.context.branchFixed);
    EXPECT_EQ(options.context.serverHost, "srv.local");
    EXPECT_EQ(options.context.serverPort, 9000);
    EXPECT_EQ(options.context.database, "/tmp/geral.db");
    EXPECT_EQ(options.packagePath, QStringLiteral("/opt/libCli_Vex04120.so"));

    options = parseHostOptions({"host", "--config", ini, "--branch", "0001", "--branch-name", "Filial Centro",
                                "--branch-free", "--server", "127.0.0.1:8300"});
    ASSERT_TRUE(options.error.isEmpty());
    EXPECT_EQ(options.context.branchCode, "0001");
    EXPECT_FALSE(options.context.branchFixed);
    EXPECT_EQ(options.context.serverPort, 8300);
    EXPECT_EQ(options.context.database, "/tmp/geral.db");
}

TEST(HostOptions, BillingTypesComeFromTheConfigurationFile)
{
    QTemporaryDir dir;
    const auto parse = [&dir](const QByteArray& text) {
        const QString ini = dir.filePath(QStringLiteral("host.ini"));
        QFile file(ini);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        file.close();
        return parseHostOptions({"host", "--config", ini});
    };

    HostOptions options =
        parse("[host]\nbranch=0001\n[billingTypes]\n002=TABCORR2, EXCDIA2 ,OUTRO\n001=EXCDIA,TABCORR\n003=SOZINHO\n");
    ASSERT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    using Names = std::vector<std::string>;
    EXPECT_EQ(options.context.billingTypes,
              (std::map<std::string, Names>{
                  {"001", {"EXCDIA", "TABCORR"}}, {"002", {"TABCORR2", "EXCDIA2", "OUTRO"}}, {"003", {"SOZINHO"}}}));

    options = parse("[host]\nbranch=0001\n");
    ASSERT_TRUE(options.error.isEmpty());
    EXPECT_EQ(options.context.billingTypes, (std::map<std::string, Names>{{"001", {"EXCDIA", "TABCORR"}}}));
    EXPECT_EQ(options.context.serverHost + ":" + std::to_string(options.context.serverPort), "127.0.0.1:8211")
        << "without a server in the file the host calls this machine at the usual port";

    for (const QByteArray& bad : {QByteArray("[billingTypes]\n001=EXCDIA,TABCORR\n004=A,,B\n"),
                                  QByteArray("[billingTypes]\n004=A,B,A\n"), QByteArray("[billingTypes]\n004=\n")}) {
        options = parse(bad);
        EXPECT_TRUE(options.error.contains(QStringLiteral("Tipo de faturamento 004 inválido")))
            << bad.toStdString() << " -> " << options.error.toStdString();
    }
}

TEST(HostOptions, TheUserNameAndTheAccessTokenForTheServer)
{
    QTemporaryDir dir;
    const auto write = [&dir](const QString& name, const QByteArray& text) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
        return dir.filePath(name);
    };
    write(QStringLiteral("desk.token"), "segredo-um\nignorada\n");
    const QString named =
        write(QStringLiteral("named.ini"), "[host]\nuser=maria\nuserFromLogin=true\ntokenFile=desk.token\n");
    HostOptions options = parseHostOptions({"host", "--config", named});
    ASSERT_TRUE(options.error.isEmpty()) << options.error.toStdString();
    EXPECT_EQ(options.context.userName, "maria");
    EXPECT_EQ(options.context.serverToken, "segredo-um") << "a relative token file is read beside the INI file";
    options = parseHostOptions({"host", "--config", named, "--user", "José"});
    EXPECT_EQ(options.context.userName, "José");

    // No name given: the login name when the file asks for it, none otherwise.
    const QString login = write(QStringLiteral("login.ini"), "[host]\nuser=\nuserFromLogin=true\n");
    options = parseHostOptions({"host", "--config", login});
    EXPECT_FALSE(options.context.userName.empty());
    EXPECT_EQ(parseHostOptions({"host"}).context.userName, "");
    EXPECT_EQ(parseHostOptions({"host"}).context.serverToken, "");

    for (const QByteArray& bad : {QByteArray(""), QByteArray("com espaço\n")}) {
        const QString token = write(QStringLiteral("bad.token"), bad);
        options = parseHostOptions({"host", "--token-file", token});
        EXPECT_TRUE(options.error.contains(QStringLiteral("deve ter a chave sozinha"))) << options.error.toStdString();
    }
    options = parseHostOptions({"host", "--token-file", dir.filePath(QStringLiteral("none.token"))});
    EXPECT_TRUE(options.error.contains(QStringLiteral("Não foi possível ler o arquivo da chave de acesso")));
}

TEST(HostOptions, AnInstalledHostReadsTheInstalledConfiguration)
{
    QTemporaryDir root;
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("usr/lib/grupservfat-desktop")));
    const QString programDir = root.filePath(QStringLiteral("usr/lib/grupservfat-desktop"));
    EXPECT_EQ(installedConfig(programDir), QString()) << "no file, no default";
    ASSERT_TRUE(QDir(root.path()).mkpath(QStringLiteral("etc/grupservfat")));
    QFile file(root.filePath(QStringLiteral("etc/grupservfat/host.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[host]\nbranch=0003\nserver=escritorio:8211\n");
    file.close();
    const QString installed = installedConfig(programDir);
    EXPECT_EQ(installed, root.filePath(QStringLiteral("etc/grupservfat/host.ini")));
    EXPECT_EQ(installedConfig(root.filePath(QStringLiteral("usr/lib"))), QString());

    HostOptions options = parseHostOptions({"host", "--branch", "0001"}, installed);
    ASSERT_TRUE(options.error.isEmpty());
    EXPECT_EQ(options.context.serverHost, "escritorio");
    EXPECT_EQ(options.context.branchCode, "0001");
    // --config names another file: the installed one is not read.
    const QString other = root.filePath(QStringLiteral("other.ini"));
    QFile otherFile(other);
    ASSERT_TRUE(otherFile.open(QIODevice::WriteOnly));
    otherFile.write("[host]\nbranch=0002\n");
    otherFile.close();
    options = parseHostOptions({"host", "--config", other}, installed);
    EXPECT_EQ(options.context.branchCode, "0002");
    EXPECT_EQ(options.context.serverHost, "127.0.0.1");
}

TEST(HostOptions, BadInputIsRefusedWithAMessage)
{
    EXPECT_FALSE(parseHostOptions({"host", "--server", "127.0.0.1"}).error.isEmpty());
    EXPECT_FALSE(parseHostOptions({"host", "--server", "127.0.0.1:99999"}).error.isEmpty());
    EXPECT_FALSE(parseHostOptions({"host", "--server", ":80"}).error.isEmpty());
    EXPECT_FALSE(parseHostOptions({"host", "--config", "/nao/existe.ini"}).error.isEmpty());
    EXPECT_FALSE(parseHostOptions({"host", "--sem-opcao"}).error.isEmpty());
    EXPECT_TRUE(parseHostOptions({"host"}).error.isEmpty());
}

using HostWindowTest = ScreenFixture;

TEST_F(HostWindowTest, MenuEntryOpensOneMdiChildThatGoesAwayWithTheForm)
{
    HostWindow window(*package_);
    window.show();
    window.openScreen();
    window.openScreen();
    ASSERT_EQ(window.mdiArea()->subWindowList().size(), 1);
    FormView* view = window.currentView();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(&view->form(), package_->form());
    EXPECT_EQ(window.mdiArea()->activeSubWindow()->windowTitle(), QStringLiteral("Grupo de Serviço para Faturamento"));

    // The window's close button asks the model; the form closes, the child goes.
    window.mdiArea()->subWindowList().first()->close();
    EXPECT_TRUE(waitFor([&] { return window.mdiArea()->subWindowList().isEmpty(); }));

    window.openScreen();
    ASSERT_EQ(window.mdiArea()->subWindowList().size(), 1);
    ASSERT_NE(window.currentView(), nullptr);
    EXPECT_FALSE(window.currentView()->formIsClosed());
}

TEST_F(HostWindowTest, CommandCaptionsShowWholeWithTheScreenCodeBesideThem)
{
    HostWindow window(*package_);
    window.show();
    window.openScreen();
    FormView* view = window.currentView();
    ASSERT_NE(view, nullptr);
    EXPECT_LE(window.mdiArea()->activeSubWindow()->width(), 486);
    ASSERT_TRUE(waitFor([&] { return view->isVisible(); }));

    int commandsRight = 0;
    for (const char* name : {"sbtIncluir", "sbtAlterar", "sbtExcluir", "sbtProcurar", "sbtVerificar", "sbtImprimir",
                             "sbtCancelar", "sbtConfirmar"}) {
        auto* button = qobject_cast<QToolButton*>(view->widgetFor(name));
        ASSERT_NE(button, nullptr) << name;
        const int frame = button->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, button);
        EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text()) + 2 * frame)
            << name << " clips " << button->text().toStdString();
        EXPECT_GT(button->geometry().left(), commandsRight) << name << " overlaps the button before it";
        commandsRight = button->geometry().right();
    }

    auto* code = qobject_cast<QLabel*>(view->widgetFor("lblCodTela"));
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->text(), QStringLiteral("VEX04120"));
    EXPECT_GT(code->geometry().left(), commandsRight) << "the screen code lies under the buttons";
    EXPECT_GE(code->width(), code->fontMetrics().horizontalAdvance(code->text()));
    EXPECT_LE(code->geometry().right(), code->parentWidget()->contentsRect().right());
}

TEST(PackageLoaderTest, RefusesALibraryThatIsNoPackage)
{
    application();
    PackageLoader missing(QStringLiteral("/nao/existe/libCli_Vex04120.so"));
    EXPECT_FALSE(missing.load());
    EXPECT_FALSE(missing.error().isEmpty());
    EXPECT_EQ(missing.form(), nullptr);
    missing.iniProc(); // nothing loaded: nothing happens
}

} // namespace
} // namespace gsf::qt::test
