// The protected-folder editor against the running server: a folder saved in
// the window asks for credentials at once, faults stop the save with their
// message, and closing asks about unsaved changes.

#include <sys/stat.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "config/Settings.h"
#include "shell/EditGrid.h"
#include "shell/MainMenus.h"
#include "shell/MembersForm.h"
#include "support/EditorTest.h"
#include "support/GuiTest.h"
#include "support/TempDir.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;

namespace {

TMembersForm& Form(QWidget& dialog) {
    return static_cast<TMembersForm&>(dialog);
}

QString GridText(const TEditGrid& grid, int row, int column) {
    return QString::fromStdString(grid.Cell(row, column));
}

// The non-empty cells of the group grid.
QStringList Groups(const TMembersForm& form) {
    QStringList groups;
    for (int row = 0; row < form.GroupsGrid->rowCount(); ++row)
        if (!GridText(*form.GroupsGrid, row, 0).isEmpty())
            groups << GridText(*form.GroupsGrid, row, 0);
    return groups;
}

void SetUser(TMembersForm& form, int row, const char* name, const char* password,
             const char* groups) {
    form.UsersGrid->SetCell(row, 0, name);
    form.UsersGrid->SetCell(row, 1, password);
    form.UsersGrid->SetCell(row, 2, groups);
}

std::string IniText() {
    return TempDir::ReadFile(GlobalSettings().IniPath);
}

}  // namespace

class MembersFormTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        RecordDesktop();
        WriteWebFile("fotos/a.txt", "fotos");
        WriteWebFile("privat/b.txt", "privat");
        port_ = FreePort();
        window_ = OpenMainWindow(
            {"Port=" + std::to_string(port_), "Root=" + WebRoot(), "cfg=" + TestIniPath()});
    }
    void cleanupTestCase() { CloseMainWindow(window_); }

    void EmptySettingsOfferThreeGroupsAndCloseWithoutAQuestion() {
        const bool shown = WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TMembersForm& form = Form(dialog);
                QCOMPARE(form.windowTitle(), QStringLiteral(" Freunde / Mitglieder"));
                QCOMPARE(Groups(form), (QStringList{"Freunde", "Hobby", "Firma"}));
                QCOMPARE(form.UsersGrid->rowCount(), 50);
                QCOMPARE(form.DirsGrid->rowCount(), 4);
                QVERIFY(form.StatusLine->text().isEmpty());
                QVERIFY(SaveShot(form, QStringLiteral("members-form")));
                form.reject();  // no question: nothing changed
            });
        QVERIFY(shown);
        QVERIFY(!QApplication::activeModalWidget());
    }

    void SavedFolderAsksForCredentialsWithoutARestart() {
        QVERIFY(StatusLine(HttpGet(port_, "/fotos/a.txt")).find("200") != std::string::npos);
        WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TMembersForm& form = Form(dialog);
                SetUser(form, 0, "anna", "geheim", "Freunde, Firma");
                SetUser(form, 1, "bert", "x y", "");
                form.DirsGrid->SetCell(0, 0, "fotos/");
                form.DirsGrid->SetCell(0, 1, "Freunde");
                form.SaveBtn->click();
                QVERIFY(form.SaveBtn->isEnabled());
                form.reject();  // saved: no question
            });
        QCOMPARE(GlobalSettings().AuthUser, "anna:geheim:Freunde+Firma|bert:x y:standard");
        QCOMPARE(GlobalSettings().AuthDir, "fotos:Freunde");
        const std::string ini = IniText();
        QVERIFY(ini.find("AuthUser=anna:geheim:Freunde+Firma|bert:x y:standard\r\n") !=
                std::string::npos);
        struct stat info {};
        QCOMPARE(stat(GlobalSettings().IniPath.c_str(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0600u);

        const std::string refused = HttpGet(port_, "/fotos/a.txt");
        QCOMPARE(StatusLine(refused), std::string("HTTP/1.0 401 Authorization Required"));
        QVERIFY(refused.find("WWW-Authenticate: Basic realm=\"Login0\"\r\n") != std::string::npos);
        QCOMPARE(StatusLine(HttpGetAs(port_, "/fotos/a.txt", "anna:geheim")),
                 std::string("HTTP/1.0 200 Ok"));
        QCOMPARE(StatusLine(HttpGetAs(port_, "/fotos/a.txt", "bert:x y")).substr(9, 3),
                 std::string("401"));  // standard group only
        QCOMPARE(StatusLine(HttpGet(port_, "/privat/b.txt")), std::string("HTTP/1.0 200 Ok"));
        QVERIFY(
            LogLines(*window_).last().endsWith(QStringLiteral("Benutzer + Ordner aktualisiert")));
    }

    void ReopenedEditorShowsWhatWasSaved() {
        WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TMembersForm& form = Form(dialog);
                QCOMPARE(Groups(form), (QStringList{"Firma", "Freunde", "standard"}));
                QCOMPARE(GridText(*form.UsersGrid, 0, 2), QStringLiteral("Freunde+Firma"));
                QCOMPARE(form.StatusLine->text(), QStringLiteral("2 User geladen"));
                form.reject();
            });
    }

    void FaultStopsTheSaveAndChangesNothing() {
        const std::string before = IniText();
        TSeenDialog seen;
        WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [&seen](QWidget& dialog) {
                TMembersForm& form = Form(dialog);
                SetUser(form, 2, "", "nur", "");
                AnswerNextMessage(QStringLiteral("OK"), &seen);
                form.SaveBtn->click();
                QVERIFY(form.SaveBtn->isEnabled());
                form.UsersGrid->SetCell(2, 1, "");
                form.reject();
            });
        QVERIFY(seen.Seen);
        QCOMPARE(seen.Caption, QStringLiteral("Fehler"));
        QCOMPARE(seen.Text,
                 QStringLiteral("Benutzername fehlt beim Passwort nur.\nSpeichern abgebrochen."));
        QCOMPARE(IniText(), before);
    }

    void ClosingWithChangesAsksAndCancelKeepsTheWindow() {
        TSeenDialog question;
        WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [&question](QWidget& dialog) {
                TMembersForm& form = Form(dialog);
                form.DirsGrid->SetCell(1, 0, "privat");
                AnswerNextMessage(QStringLiteral("Abbrechen"), &question);
                form.reject();
                QVERIFY(form.isVisible());
                TSeenDialog second;
                AnswerNextMessage(QStringLiteral("Nein"), &second);
                form.close();
                QVERIFY(second.Seen);
                QVERIFY(!form.isVisible());
            });
        QCOMPARE(question.Text, QStringLiteral("Änderungen speichern?"));
        question.Buttons.sort();
        QCOMPARE(question.Buttons, (QStringList{"&Ja", "&Nein", "Abbrechen"}));
        QCOMPARE(GlobalSettings().AuthDir, "fotos:Freunde");  // No: nothing saved
        QCOMPARE(StatusLine(HttpGet(port_, "/privat/b.txt")), std::string("HTTP/1.0 200 Ok"));
    }

    void UsersWithoutFoldersAreSavedWithANotice() {
        TSeenDialog notice;
        WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [&notice](QWidget& dialog) {
                TMembersForm& form = Form(dialog);
                form.DirsGrid->SetCell(0, 0, "");
                AnswerNextMessage(QStringLiteral("OK"), &notice);
                form.SaveBtn->click();
                form.reject();
            });
        QCOMPARE(notice.Caption, QStringLiteral("Informationen"));
        QCOMPARE(notice.Text, QStringLiteral("Es wurden Benutzer gespeichert,\naber keine zu "
                                             "schützenden Verzeichnisse definiert."));
        QCOMPARE(GlobalSettings().AuthDir, "");
        QCOMPARE(StatusLine(HttpGet(port_, "/fotos/a.txt")), std::string("HTTP/1.0 200 Ok"));
    }

    void ChooseButtonPutsTheFolderBelowTheRootIntoTheFirstEmptyRow() {
        WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TMembersForm& form = Form(dialog);
                form.DirsGrid->SetCell(0, 0, "fotos");
                OnNextDialog(QStringLiteral("ChooseLocalFolderForm"), [](QWidget& chooser) {
                    auto* path = chooser.findChild<QLineEdit*>(QStringLiteral("PathEd"));
                    path->setText(QString::fromStdString(WebRoot() + "privat"));
                    QTest::keyClick(path, Qt::Key_Return);
                    chooser.findChild<QPushButton*>(QStringLiteral("OkBtn"))->click();
                });
                form.ChooseBtn->click();
                QCOMPARE(GridText(*form.DirsGrid, 1, 0), QStringLiteral("privat"));
                AnswerNextMessage(QStringLiteral("Nein"));
                form.reject();
            });
    }

    void ManyUsersAndFoldersSurviveOpeningAndSaving() {
        std::string users, dirs;
        for (int i = 0; i < 500; ++i)
            users += (i ? "|u" : "u") + std::to_string(i) + ":p" + std::to_string(i) + ":g" +
                     std::to_string(i % 7);
        for (int i = 0; i < 50; ++i)
            dirs += (i ? "|d" : "d") + std::to_string(i) + ":g" + std::to_string(i % 7);
        GlobalSettings().AuthUser = users;
        GlobalSettings().AuthDir = dirs;
        WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TMembersForm& form = Form(dialog);
                QCOMPARE(form.UsersGrid->rowCount(), 502);
                QCOMPARE(form.DirsGrid->rowCount(), 52);
                QCOMPARE(form.StatusLine->text(), QStringLiteral("500 User geladen"));
                form.SaveBtn->click();
                form.reject();
            });
        QCOMPARE(GlobalSettings().AuthUser, users);
        QCOMPARE(GlobalSettings().AuthDir, dirs);
    }

    void MalformedSettingsGiveAMessageAndStayUntouched() {
        GlobalSettings().AuthUser = "anna|bert:pw:Feinde|::|";
        GlobalSettings().AuthDir = "a|b:c";
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                Form(dialog).reject();  // unchanged cells: no question
            });
        QCOMPARE(seen.Text,
                 QStringLiteral("Passwort fehlt beim Benutzer anna.\nSpeichern abgebrochen."));
        QCOMPARE(GlobalSettings().AuthUser, "anna|bert:pw:Feinde|::|");
        QCOMPARE(GlobalSettings().AuthDir, "a|b:c");
    }

    void UnwritableConfigurationKeepsTheWindowOpenAndAsksAgain() {
        const std::string iniPath = GlobalSettings().IniPath;
        GlobalSettings().AuthUser = "anna:geheim:standard";
        GlobalSettings().AuthDir = "";
        WriteProgramFile("blocker", "a file, not a folder");
        GlobalSettings().IniPath = ProgramDir() + "blocker/palvex.ini";
        TSeenDialog failed, question;
        WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [&](QWidget& dialog) {
                TMembersForm& form = Form(dialog);
                form.DirsGrid->SetCell(0, 0, "privat");
                AnswerNextMessage(QStringLiteral("OK"), &failed);
                form.SaveBtn->click();
                AnswerNextMessage(QStringLiteral("Nein"), &question);
                form.reject();
            });
        QCOMPARE(failed.Text, QStringLiteral("Fehler beim Speichern der .ini-Datei\n") +
                                  QString::fromStdString(ProgramDir() + "blocker/palvex.ini"));
        QVERIFY(question.Seen);  // the snapshot stayed old
        QCOMPARE(GlobalSettings().AuthDir, "privat:standard");
        QCOMPARE(StatusLine(HttpGet(port_, "/privat/b.txt")).substr(9, 3), std::string("401"));
        GlobalSettings().IniPath = iniPath;
    }

    void HelpButtonOpensThePageAndComesBack() {
        auto& recorder = RecordDesktop();
        WriteProgramFile("Help/DE/members.html", "<p>Hilfe</p>");
        WithDialog(
            QStringLiteral("MembersForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TMembersForm& form = Form(dialog);
                form.HelpBtn->click();
                QVERIFY(!form.HelpBtn->isEnabled());
                QTRY_VERIFY(form.HelpBtn->isEnabled());
                form.reject();
            });
        QCOMPARE(recorder.Urls.size(), size_t(1));
        QVERIFY(recorder.Urls[0].toLocalFile().endsWith(QStringLiteral("/Help/DE/members.html")));
    }

  private:
    void OpenEditor() { MenuAction(*window_, QStringLiteral("AuthOptions1"))->trigger(); }

    uint16_t port_ = 0;
    std::unique_ptr<TMainWindow> window_;
};

PALVEX_GUI_TEST_MAIN(MembersFormTest)
#include "MembersFormTest.moc"
