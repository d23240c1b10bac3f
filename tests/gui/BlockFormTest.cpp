// The IP filter editor against the running server: a blocked address gets
// its connection closed without an answer, a permit lets it in again, and
// rules the rows cannot hold keep OK disabled.

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "config/Settings.h"
#include "shell/BlockForm.h"
#include "shell/MainMenus.h"
#include "support/EditorTest.h"
#include "support/GuiTest.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;

namespace {

TBlockForm& Form(QWidget& dialog) {
    return static_cast<TBlockForm&>(dialog);
}

void SetRow(TBlockForm& form, size_t row, int kind, const char* from, const char* to) {
    form.Combos[row]->setCurrentIndex(kind);
    form.FromEds[row]->setText(QString::fromUtf8(from));
    form.ToEds[row]->setText(QString::fromUtf8(to));
}

QString RowText(const TBlockForm& form, size_t row) {
    return form.Combos[row]->currentText() + " " + form.FromEds[row]->text() + " " +
           form.ToEds[row]->text();
}

}  // namespace

class BlockFormTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        RecordDesktop();
        WriteWebFile("hello.txt", "hello");
        port_ = FreePort();
        window_ = OpenMainWindow(
            {"Port=" + std::to_string(port_), "Root=" + WebRoot(), "cfg=" + TestIniPath()});
    }
    void cleanupTestCase() { CloseMainWindow(window_); }

    void BlockClosesWithoutAnswerAndPermitLetsInAgain() {
        QCOMPARE(StatusLine(HttpGet(port_, "/hello.txt")), std::string("HTTP/1.0 200 Ok"));
        QVERIFY(WithDialog(
            QStringLiteral("BlockForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TBlockForm& form = Form(dialog);
                QCOMPARE(form.windowTitle(), QStringLiteral("IP Filter"));
                QCOMPARE(form.size(), QSize(408, 254));
                QVERIFY(form.OkBtn->isEnabled());
                SetRow(form, 0, 1, "127.0.0.1", "");
                QVERIFY(SaveShot(form, QStringLiteral("block-form")));
                form.OkBtn->click();
            }));
        QCOMPARE(GlobalSettings().IPFilter, "block:127.0.0.1-127.0.0.1");
        QCOMPARE(HttpGet(port_, "/hello.txt"), std::string());

        WithDialog(
            QStringLiteral("BlockForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TBlockForm& form = Form(dialog);
                QCOMPARE(RowText(form, 0), QStringLiteral("block 127.0.0.1 "));
                SetRow(form, 1, 2, "127.0.0.0", "127.255.255.255");
                form.OkBtn->click();
            });
        QCOMPARE(GlobalSettings().IPFilter,
                 "block:127.0.0.1-127.0.0.1,permit:127.0.0.0-127.255.255.255");
        QCOMPARE(StatusLine(HttpGet(port_, "/hello.txt")), std::string("HTTP/1.0 200 Ok"));
    }

    void EnteringAnEmptyToFieldCopiesFrom() {
        WithDialog(
            QStringLiteral("BlockForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TBlockForm& form = Form(dialog);
                form.FromEds[2]->setText(QStringLiteral(" 10.0.0.1 "));
                form.activateWindow();
                form.ToEds[2]->setFocus();
                QTRY_COMPARE(form.ToEds[2]->text(), QStringLiteral("10.0.0.1"));
                form.CancelBtn->click();
            });
    }

    void BadAddressesAreListedAndNothingChanges() {
        const std::string before = GlobalSettings().IPFilter;
        TSeenDialog seen;
        WithDialog(
            QStringLiteral("BlockForm"), [this] { OpenEditor(); },
            [&seen](QWidget& dialog) {
                TBlockForm& form = Form(dialog);
                SetRow(form, 1, 1, "1.2.3", "1.2.3.9");
                AnswerNextMessage(QStringLiteral("OK"), &seen);
                form.OkBtn->click();
                QVERIFY(form.isVisible());
                QTest::keyClick(&form, Qt::Key_Escape);
                QVERIFY(!form.isVisible());
            });
        QCOMPARE(seen.Text, QStringLiteral("Folgende Einträge enthalten ungültige IP-Nummern:\n"
                                           "1.2.3 - 1.2.3.9 (Zeile 2)\n"));
        QCOMPARE(GlobalSettings().IPFilter, before);
    }

    void RulesBeyondTheRowsAreShownButCannotBeSaved() {
        GlobalSettings().IPFilter =
            "block:1.1.1.1,rem:2.2.2.2,permit:3.3.3.3-3.3.3.1,block:4.4.4.4,block:5.5.5.5";
        TSeenDialog notice;
        AnswerNextMessage(QStringLiteral("OK"), &notice);
        WithDialog(
            QStringLiteral("BlockForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TBlockForm& form = Form(dialog);
                QVERIFY(!form.OkBtn->isEnabled());
                QCOMPARE(RowText(form, 1), QStringLiteral("- 2.2.2.2 "));
                QCOMPARE(RowText(form, 2), QStringLiteral("permit 3.3.3.1 3.3.3.3"));
                QCOMPARE(RowText(form, 3), QStringLiteral("block 4.4.4.4 "));
                form.CancelBtn->click();
            });
        QCOMPARE(notice.Text, QStringLiteral("Die Filter-Einstellungen sind fehlerhaft oder zu "
                                             "umfangreich.\nSie können sie zwar (teilweise) "
                                             "ansehen, aber nicht ändern/speichern."));
    }

    void OnlyEmptyEntriesAreNoFault() {
        GlobalSettings().IPFilter = "rem:1.2.3.4,,";
        WithDialog(
            QStringLiteral("BlockForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TBlockForm& form = Form(dialog);
                QVERIFY(form.OkBtn->isEnabled());
                form.OkBtn->click();
            });
        QCOMPARE(GlobalSettings().IPFilter, "rem:1.2.3.4-1.2.3.4");
    }

  private:
    void OpenEditor() { MenuAction(*window_, QStringLiteral("IPFilter1"))->trigger(); }

    uint16_t port_ = 0;
    std::unique_ptr<TMainWindow> window_;
};

PALVEX_GUI_TEST_MAIN(BlockFormTest)
#include "BlockFormTest.moc"
