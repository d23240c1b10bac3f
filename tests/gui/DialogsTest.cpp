// Message dialogs and the folder chooser on their own: captions, buttons,
// plain text, and the chooser's rules in a temporary folder tree.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

#include "shell/FolderChooser.h"
#include "shell/FolderChooserForm.h"
#include "shell/MessageDialogs.h"
#include "support/GuiTest.h"
#include "support/TempDir.h"

using namespace palvex;
using namespace palvex::test;

namespace {

TChooseLocalFolderForm& Form(QWidget& w) {
    return static_cast<TChooseLocalFolderForm&>(w);
}

// Types a path into the chooser's field and presses Enter.
void EnterPath(TChooseLocalFolderForm& form, const std::string& path) {
    form.PathEd->setText(QString::fromStdString(path));
    QTest::keyClick(form.PathEd, Qt::Key_Return);
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void init() { desktop_ = &RecordDesktop(); }
    void cleanup() { ClearDialogHandlers(); }

    void EveryKindHasItsGermanCaptionAndButtons() {
        struct Case {
            TMsgKind Kind;
            unsigned Buttons;
            const char* Caption;
            QStringList Labels;
            const char* Shot;
        } cases[] = {
            {TMsgKind::Warning,
             kBtnOk | kBtnIgnore,
             "Warnung",
             {"&Ignorieren", "OK"},
             "dialog-warning"},
            {TMsgKind::Error,
             kBtnRetry | kBtnCancel,
             "Fehler",
             {"&Wiederholen", "Abbrechen"},
             "dialog-error"},
            {TMsgKind::Information,
             kBtnOk | kBtnCancel | kBtnHelp,
             "Informationen",
             {"&Hilfe", "Abbrechen", "OK"},
             "dialog-information"},
            {TMsgKind::Confirmation,
             kBtnYes | kBtnNo | kBtnClose,
             "Bestätigung",
             {"&Ja", "&Nein", "&Schließen"},
             "dialog-confirmation"},
        };
        for (const Case& c : cases) {
            TSeenDialog seen;
            OnNextDialog(QStringLiteral("MessageDialog"), [&seen, &c](QWidget& w) {
                auto& box = static_cast<QMessageBox&>(w);
                seen.Caption = box.windowTitle();
                for (QAbstractButton* b : box.buttons())
                    seen.Buttons << b->text();
                QCOMPARE(box.textFormat(), Qt::PlainText);
                SaveShot(box, QLatin1String(c.Shot));
                ClickButton(box, box.buttons().first()->text());
            });
            ShowMessageDialog("Text <b>fett</b>\rzweite Zeile", c.Kind, c.Buttons);
            QCOMPARE(seen.Caption, QString::fromUtf8(c.Caption));
            seen.Buttons.sort();
            QStringList expected = c.Labels;
            expected.sort();
            QCOMPARE(seen.Buttons, expected);
        }
    }

    void ResultsNameTheButtonPressed() {
        AnswerNextMessage(QStringLiteral("Nein"));
        QCOMPARE(ConfirmBox("Frage?"), TMsgResult::No);
        AnswerNextMessage(QStringLiteral("Ja"));
        QCOMPARE(ConfirmBox("Frage?"), TMsgResult::Yes);
        AnswerNextMessage(QStringLiteral("Wiederholen"));
        QCOMPARE(ShowMessageDialog("x", TMsgKind::Error, kBtnRetry | kBtnCancel),
                 TMsgResult::Retry);
        OnNextDialog(QStringLiteral("MessageDialog"),
                     [](QWidget& w) { QTest::keyClick(&w, Qt::Key_Escape); });
        QCOMPARE(ShowMessageDialog("x", TMsgKind::Error, kBtnRetry | kBtnCancel),
                 TMsgResult::Cancel);
    }

    void TextIsPlainWithRealLineBreaks() {
        TSeenDialog seen;
        AnswerNextMessage(QStringLiteral("OK"), &seen);
        InfoBox("a <i>b</i>\r\nc\rd \"e\" äöü");
        QCOMPARE(seen.Text, QStringLiteral("a <i>b</i>\nc\nd \"e\" äöü"));
        QCOMPARE(seen.Caption, QStringLiteral("Informationen"));
    }

    void OkStaysOffUntilAnotherFolderIsPicked() {
        TempDir dir;
        dir.MakeDir("Web/sub");
        const std::string start = dir / "Web/";
        std::string typedResult;
        OnNextDialog(QStringLiteral("ChooseLocalFolderForm"), [&](QWidget& w) {
            TChooseLocalFolderForm& form = Form(w);
            QCOMPARE(form.windowTitle(), QStringLiteral("Ordner auswählen"));
            QVERIFY(!form.OkBtn->isEnabled());
            QVERIFY(form.NewEd->isVisible());
            QCOMPARE(form.NewEd->text(), QStringLiteral("neuer Ordner"));
            QCOMPARE(form.size(), QSize(373, 413));
            SaveShot(form, QStringLiteral("folder-chooser"));
            TSeenDialog seen;
            AnswerNextMessage(QStringLiteral("OK"), &seen);
            EnterPath(form, dir / "missing");
            QCOMPARE(seen.Text, QStringLiteral("Der eingegebene Pfad existiert nicht."));
            QVERIFY(!form.OkBtn->isEnabled());
            QVERIFY(form.isVisible());  // Enter never closes the chooser
            EnterPath(form, dir / "Web/sub");
            QVERIFY(form.OkBtn->isEnabled());
            form.OkBtn->click();
        });
        QCOMPARE(ChooseFolder("", start, "", true), dir / "Web/sub/");
    }

    void CancelGivesNothing() {
        TempDir dir;
        OnNextDialog(QStringLiteral("ChooseLocalFolderForm"),
                     [](QWidget& w) { Form(w).Button1->click(); });
        QCOMPARE(ChooseFolder("Wählen", dir.Path(), "", false), std::string());
        OnNextDialog(QStringLiteral("ChooseLocalFolderForm"), [](QWidget& w) {
            QCOMPARE(w.windowTitle(), QStringLiteral("Wählen"));
            QVERIFY(!Form(w).NewBtn->isVisible());
            QTest::keyClick(&w, Qt::Key_Escape);
        });
        QCOMPARE(ChooseFolder("Wählen", dir.Path(), "", false), std::string());
    }

    void NewFolderIsCreatedAndChosen() {
        TempDir dir;
        dir.MakeDir("Web");
        OnNextDialog(QStringLiteral("ChooseLocalFolderForm"), [&](QWidget& w) {
            TChooseLocalFolderForm& form = Form(w);
            form.NewEd->setText(QStringLiteral("neu"));
            form.NewBtn->click();
            QCOMPARE(form.PathEd->text(), QString::fromStdString(dir / "Web/neu"));
            QVERIFY(form.NewEd->text().isEmpty());
            form.OkBtn->click();
        });
        QCOMPARE(ChooseFolder("", dir / "Web/", "", true), dir / "Web/neu/");
        QVERIFY(QDir(QString::fromStdString(dir / "Web/neu")).exists());
    }

    void NewFolderNamesCannotLeaveTheShownFolder() {
        TempDir dir;
        dir.MakeDir("Web");
        OnNextDialog(QStringLiteral("ChooseLocalFolderForm"), [&](QWidget& w) {
            TChooseLocalFolderForm& form = Form(w);
            for (const char* name : {"../x", "a/b", ".."}) {
                TSeenDialog seen;
                AnswerNextMessage(QStringLiteral("OK"), &seen);
                form.NewEd->setText(QLatin1String(name));
                form.NewBtn->click();
                QCOMPARE(seen.Text,
                         QString::fromStdString("Der Pfad " + dir.Path() + "Web/" + name +
                                                " konnte nicht angelegt werden."));
            }
            TSeenDialog missing;
            AnswerNextMessage(QStringLiteral("OK"), &missing);
            form.PathEd->setText(QString::fromStdString(dir / "gone"));
            form.NewEd->setText(QStringLiteral("x"));
            form.NewBtn->click();
            QCOMPARE(missing.Text,
                     QString::fromStdString("Der Pfad " + dir.Path() + "gone existiert nicht."));
            form.Button1->click();
        });
        ChooseFolder("", dir / "Web/", "", true);
        QVERIFY(!QDir(QString::fromStdString(dir / "x")).exists());
        QVERIFY(!QDir(QString::fromStdString(dir / "Web/a")).exists());
    }

    void RestrictionKeepsTheChooserInsideItsTree() {
        TempDir dir;
        dir.MakeDir("Web/in");
        dir.MakeDir("Web2");
        OnNextDialog(QStringLiteral("ChooseLocalFolderForm"), [&](QWidget& w) {
            TChooseLocalFolderForm& form = Form(w);
            QVERIFY(!form.DriveComboBox->isEnabled());
            QCOMPARE(form.PathEd->text(), QString::fromStdString(dir / "Web"));
            TSeenDialog seen;
            AnswerNextMessage(QStringLiteral("OK"), &seen);
            EnterPath(form, dir / "Web2");
            QCOMPARE(seen.Text, QStringLiteral("Der eingegebene Pfad ist nicht erlaubt."));
            // Typed without Enter: OK must not hand out a folder outside.
            form.PathEd->setText(QString::fromStdString(dir / "Web2"));
            form.OkBtn->setEnabled(true);
            form.OkBtn->click();
        });
        QCOMPARE(ChooseFolder("", dir / "Web2/", dir / "Web/", true), std::string());
    }

    void ExploreOpensTheFolderOrItsParent() {
        TempDir dir;
        dir.MakeDir("Web");
        OnNextDialog(QStringLiteral("ChooseLocalFolderForm"), [&](QWidget& w) {
            TChooseLocalFolderForm& form = Form(w);
            form.exploreBtn->click();
            form.PathEd->setText(QString::fromStdString(dir / "Web/not-there"));
            form.exploreBtn->click();
            TSeenDialog seen;
            AnswerNextMessage(QStringLiteral("OK"), &seen);
            form.PathEd->setText(QStringLiteral("/no/such/path/x"));
            form.exploreBtn->click();
            QCOMPARE(seen.Text, QStringLiteral("Der Pfad /no/such/path/x existiert nicht."));
            form.Button1->click();
        });
        ChooseFolder("", dir / "Web/", "", true);
        QCOMPARE(desktop_->Urls.size(), size_t(2));
        QCOMPARE(desktop_->Urls[0].toLocalFile(), QString::fromStdString(dir / "Web/"));
        QCOMPARE(desktop_->Urls[1].toLocalFile(), QString::fromStdString(dir / "Web/"));
    }

    // The tree fills itself lazily: ten thousand sub-folders open at once.
    void AHugeFolderOpensAtOnce() {
        TempDir dir;
        for (int i = 0; i < 10000; ++i)
            QDir().mkpath(QString::fromStdString(dir.Path() + "big/d" + std::to_string(i)));
        QElapsedTimer clock;
        clock.start();
        qint64 shownAfter = -1;
        OnNextDialog(QStringLiteral("ChooseLocalFolderForm"), [&](QWidget& w) {
            shownAfter = clock.elapsed();
            Form(w).Button1->click();
        });
        ChooseFolder("", dir / "big/", "", true);
        QVERIFY(shownAfter >= 0);
        QVERIFY2(shownAfter < 3000, qPrintable(QString::number(shownAfter)));
    }

  private:
    TRecordingDesktop* desktop_ = nullptr;
};

PALVEX_GUI_TEST_MAIN(DialogsTest)
#include "DialogsTest.moc"
