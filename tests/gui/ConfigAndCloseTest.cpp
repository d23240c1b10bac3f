// The configuration menu, the window words and closing: what is loaded,
// what is written and which questions come.

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTest>

#include "app/ServerWiring.h"
#include "config/ProgramPaths.h"
#include "config/Settings.h"
#include "server/HttpServer.h"
#include "shell/MainMenus.h"
#include "support/GuiTest.h"
#include "support/TempDir.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;

namespace {

QAction* Item(const QWidget& window, const char* name) {
    return MenuAction(window, QLatin1String(name));
}

std::string IniPath() {
    return ProgramPaths().DefaultIniPath;
}

void WriteText(const std::string& path, const std::string& text) {
    QFile file(QString::fromStdString(path));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) file.write(text.data(), text.size());
}

std::string ReadText(const std::string& path) {
    return TempDir::ReadFile(path);
}

}  // namespace

class ConfigAndCloseTest : public QObject {
    Q_OBJECT

  private slots:
    void init() {
        desktop_ = &RecordDesktop();
        QFile::remove(QString::fromStdString(IniPath()));
        port_ = FreePort();
    }
    void cleanup() {
        ClearDialogHandlers();
        CloseMainWindow(window_);
        SetSpeedLimit(0);
    }

    void ReloadOfAMissingFileKeepsTheServer() {
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        window_->ReloadConfiguration(ProgramDir() + "missing.ini");
        QCOMPARE(seen.Text, QStringLiteral("Datei konnte nicht geladen werden."));
        QVERIFY(Connect(port_) >= 0);
        QCOMPARE(GlobalServer().Port, port_);
    }

    void ReloadOfAnotherFileMovesTheServer() {
        window_ = OpenMainWindow({});
        const uint16_t other = FreePort();
        WriteText(ProgramDir() + "other.ini", "Port=" + std::to_string(other) + "\r\n");
        const uint16_t first = GlobalServer().Port;
        QVERIFY(GlobalServer().Active);
        window_->ReloadConfiguration(ProgramDir() + "other.ini");
        QTRY_COMPARE(window_->StatusText(),
                     QStringLiteral("Server gestartet an Port %1").arg(other));
        QVERIFY(Connect(first) < 0 || first == other);
        QCOMPARE(StatusLine(HttpGet(other, "/")).substr(0, 8), std::string("HTTP/1.0"));
        QCOMPARE(window_->windowTitle(), QStringLiteral("Port %1 (Morvi Webserver)").arg(other));
    }

    void BinaryConfigurationChangesNothingHarmful() {
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
        WriteText(ProgramDir() + "binary.ini", std::string("\0\x01\xFF\xFEPort=\x80\r\n\0", 12));
        window_->ReloadConfiguration(ProgramDir() + "binary.ini");
        QTRY_VERIFY(window_->StatusText().startsWith(QStringLiteral("Server gestartet")));
    }

    void SaveWritesTheSettingsText() {
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
        Item(*window_, "Decoration1")->trigger();
        Item(*window_, "Konfigurationspeichern1")->trigger();
        QCOMPARE(GlobalSettings().IniPath, IniPath());
        QCOMPARE(ReadText(IniPath()), SettingsToText());
        QVERIFY(ReadText(IniPath()).find("noDeco") != std::string::npos);
        QCOMPARE(GlobalSettings().SavedText, SettingsToText());
    }

    void ClosingWithChangesAnsweredYesSavesThenAsksAboutTheServer() {
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
        Item(*window_, "StartupMaximize1")->trigger();
        TSeenDialog save, stop;
        AnswerNextMessage(QStringLiteral("Ja"), &save);
        AnswerNextMessage(QStringLiteral("Ja"), &stop);
        QVERIFY(window_->close());
        QCOMPARE(save.Text, QStringLiteral("Einstellungen speichern?"));
        QCOMPARE(save.Caption, QStringLiteral("Bestätigung"));
        save.Buttons.sort();
        QCOMPARE(save.Buttons, (QStringList{"&Ja", "&Nein", "Abbrechen"}));
        QVERIFY(ReadText(IniPath()).find("GUI=maximize") != std::string::npos);
        QVERIFY(!stop.Seen);  // Yes on the first question clears the second
    }

    void ClosingAnsweredNoAsksNothingMore() {
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
        Item(*window_, "StartupMaximize1")->trigger();
        TSeenDialog save, stop;
        AnswerNextMessage(QStringLiteral("Nein"), &save);
        AnswerNextMessage(QStringLiteral("Nein"), &stop);
        QVERIFY(window_->close());
        QVERIFY(save.Seen);
        QVERIFY(!stop.Seen);
        QVERIFY(!QFile::exists(QString::fromStdString(IniPath())));
        QVERIFY(DialogsPending());
    }

    void ClosingCancelledStaysOpen() {
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
        Item(*window_, "StartupMinimize1")->trigger();
        AnswerNextMessage(QStringLiteral("Abbrechen"));
        QVERIFY(!window_->close());
        QVERIFY(window_->isVisible());
        QVERIFY(window_->ConfirmOnClose());
    }

    void UnchangedSettingsAskOnlyAboutTheServer() {
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
        TSeenDialog stop;
        AnswerNextMessage(QStringLiteral("Nein"), &stop);
        QVERIFY(!window_->close());
        QCOMPARE(stop.Text, QStringLiteral("Server wirklich beenden?"));
        stop.Buttons.sort();
        QCOMPARE(stop.Buttons, (QStringList{"&Ja", "&Nein"}));
        AnswerNextMessage(QStringLiteral("Ja"));
        QVERIFY(window_->close());
        QCOMPARE(window_->StatusText(), QStringLiteral("Programm wird beendet"));
    }

    void QuitWithoutQuestionsDropsChanges() {
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
        Item(*window_, "Decoration1")->trigger();
        Item(*window_, "Programmbeenden1")->trigger();
        QVERIFY(!window_->isVisible());
        QVERIFY(!DialogsPending());
        QVERIFY(!QFile::exists(QString::fromStdString(IniPath())));
    }

    void FailedSaveOnClosingKeepsTheWindowOpen() {
        // A file where a folder should be: not even root can save there.
        WriteText(ProgramDir() + "plainfile", "x");
        window_ = OpenMainWindow(
            {"Port=" + std::to_string(port_), "cfg=" + ProgramDir() + "plainfile/x.ini"});
        Item(*window_, "Decoration1")->trigger();
        TSeenDialog error;
        AnswerNextMessage(QStringLiteral("Ja"));
        AnswerNextMessage(QStringLiteral("OK"), &error);
        QVERIFY(!window_->close());
        QVERIFY(error.Text.startsWith(QStringLiteral("Fehler beim Speichern der .ini-Datei\n")));
        QVERIFY(window_->isVisible());
    }

    void WindowWordsAreReadAndWrittenCleanly() {
        window_ = OpenMainWindow(
            {"Port=" + std::to_string(port_), "GUI=noDeco,,HeaderViewOff,", "Limit=request:4kbps"});
        QVERIFY(!Item(*window_, "Decoration1")->isChecked());
        QVERIFY(!Item(*window_, "HeaderView1")->isChecked());
        QVERIFY(window_->findChild<QWidget*>(QStringLiteral("PageControl"))->isHidden());
        QVERIFY(Item(*window_, "Limit4kb")->isChecked());
        QVERIFY(!Item(*window_, "Limit0")->isChecked());
        QCOMPARE(CurrentSpeedLimit(), uint8_t(2));
        QCOMPARE(GlobalSettings().GUI, std::string("noDeco,,HeaderViewOff,"));
        Item(*window_, "HeaderView1")->trigger();
        QCOMPARE(GlobalSettings().GUI, std::string("noDeco"));
        Item(*window_, "logMiniImages1")->trigger();
        Item(*window_, "Decoration1")->trigger();
        QCOMPARE(GlobalSettings().GUI, std::string("DoNotLogSmallImages"));
        Item(*window_, "Limit1kb")->trigger();
        QCOMPARE(CurrentSpeedLimit(), uint8_t(1));
        QVERIFY(Item(*window_, "Limit1kb")->isChecked() &&
                !Item(*window_, "Limit4kb")->isChecked());
        // The menu's limit is for this run only.
        QCOMPARE(GlobalSettings().Limit, std::string("request:4kbps"));
    }

    void FileInfoIsCreatedOnceAndEdited() {
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
        const std::string folder = ProgramDir() + "info folder/";
        QDir().mkpath(QString::fromStdString(folder));
        OnNextDialog(QStringLiteral("FileInfoSaveDialog"), [folder](QWidget& w) {
            auto& dialog = static_cast<QFileDialog&>(w);
            QCOMPARE(dialog.windowTitle(), QStringLiteral(".FileInfo bearbeiten"));
            dialog.selectFile(QString::fromStdString(folder + ".FileInfo"));
            QMetaObject::invokeMethod(&dialog, "accept");
        });
        Item(*window_, "CreateFileInfo1")->trigger();
        const std::string bytes = ReadText(folder + ".FileInfo");
        QCOMPARE(bytes.substr(0, 2), std::string("\xFF\xFE"));
        QCOMPARE(desktop_->Edited.size(), size_t(1));
        QCOMPARE(desktop_->Edited.front(), QString::fromStdString(folder + ".FileInfo"));
    }

    void EditingTheIniSavesFirstAndOffersReload() {
        window_ = OpenMainWindow({"Port=" + std::to_string(port_)});
        TSeenDialog offer;
        AnswerNextMessage(QStringLiteral("Abbrechen"), &offer);
        Item(*window_, "iniDateibearbeiten1")->trigger();
        QVERIFY(QFile::exists(QString::fromStdString(IniPath())));
        QCOMPARE(desktop_->Edited.size(), size_t(1));
        QCOMPARE(offer.Text, QStringLiteral("Nach Änderungen mit dem externen Editor\nmüssen Sie "
                                            "die Konfiguration hier neu laden (Server-Neustart)."));
        QCOMPARE(offer.Caption, QStringLiteral("Informationen"));
    }

  private:
    TRecordingDesktop* desktop_ = nullptr;
    std::unique_ptr<TMainWindow> window_;
    uint16_t port_ = 0;
};

PALVEX_GUI_TEST_MAIN(ConfigAndCloseTest)
#include "ConfigAndCloseTest.moc"
