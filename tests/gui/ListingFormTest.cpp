// The listing properties editor against the running server: Browse shows
// the new title at once and Cancel takes it back, OK makes another index
// document the one served, and unsafe or outside values are refused.

#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "app/ServerWiring.h"
#include "config/Settings.h"
#include "server/HttpServer.h"
#include "shell/ListingForm.h"
#include "support/EditorTest.h"
#include "support/GuiTest.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;

namespace {

TListingForm& Form(QWidget& dialog) {
    return static_cast<TListingForm&>(dialog);
}

// Picks path in the next file dialog by typing it into the name field, as
// a user may (selecting in the list would wait for the folder to be read).
void PickNextFile(const std::string& path) {
    OnNextDialog(QStringLiteral("OpenDialog"), [path](QWidget& dialog) {
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(QString::fromStdString(path));
        static_cast<QDialog&>(dialog).accept();
    });
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

class ListingFormTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        recorder_ = &RecordDesktop();
        WriteWebFile("list/a.txt", "a");
        WriteWebFile("start/start.htm", "start page");
        WriteWebFile("img/bg.jpg", "not really a picture");
        port_ = FreePort();
        window_ = OpenMainWindow(
            {"Port=" + std::to_string(port_), "Root=" + WebRoot(), "cfg=" + TestIniPath()});
    }
    void cleanupTestCase() { CloseMainWindow(window_); }

    void BrowsePreviewsTheTitleAndCancelTakesItBack() {
        QVERIFY(Contains(HttpGet(port_, "/list/"), "Directory Listing"));
        QVERIFY(WithDialog(
            QStringLiteral("ListingForm"), [this] { OpenEditor(); },
            [this](QWidget& dialog) {
                TListingForm& form = Form(dialog);
                QCOMPARE(form.windowTitle(),
                         QStringLiteral("Eigenschaften von Directory-Listings"));
                QCOMPARE(form.size(), QSize(416, 303));
                QCOMPARE(form.IndexCombo->currentText(), QStringLiteral("index.html"));
                QCOMPARE(form.TitelEd->text(), QStringLiteral("Directory Listing"));
                form.TitelEd->setText(QStringLiteral("Unsere Fotos"));
                QVERIFY(SaveShot(form, QStringLiteral("listing-form")));
                form.BrowseBtn->click();
                QVERIFY(Contains(HttpGet(port_, "/list/"), "Unsere Fotos"));
                form.CancelBtn->click();
            }));
        QCOMPARE(recorder_->Urls.back(), QUrl(QStringLiteral("http://localhost:%1/").arg(port_)));
        const std::string page = HttpGet(port_, "/list/");
        QVERIFY(Contains(page, "Directory Listing"));
        QVERIFY(!Contains(page, "Unsere Fotos"));
        QCOMPARE(GlobalSettings().ListingTitle, "");
    }

    void OkMakesAnotherIndexDocumentTheOneServed() {
        QVERIFY(!Contains(HttpGet(port_, "/start/"), "start page"));
        WithDialog(
            QStringLiteral("ListingForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                TListingForm& form = Form(dialog);
                form.IndexCombo->setEditText(QStringLiteral(" start.htm "));
                form.BgEd->setText(QStringLiteral("img\\bg.jpg"));
                form.OkBtn->click();
            });
        QCOMPARE(GlobalSettings().Index, "start.htm");
        QCOMPARE(GlobalSettings().ListingBg, "/img/bg.jpg");
        QVERIFY(Contains(HttpGet(port_, "/start/"), "start page"));
        QVERIFY(Contains(HttpGet(port_, "/list/"), "/img/bg.jpg"));
    }

    void IndexNamesThatLeaveTheFolderAreRefused() {
        TSeenDialog seen;
        WithDialog(
            QStringLiteral("ListingForm"), [this] { OpenEditor(); },
            [&seen](QWidget& dialog) {
                TListingForm& form = Form(dialog);
                form.IndexCombo->setEditText(QStringLiteral("../x"));
                AnswerNextMessage(QStringLiteral("OK"), &seen);
                form.OkBtn->click();
                QVERIFY(form.isVisible());
                form.CancelBtn->click();
            });
        QCOMPARE(seen.Caption, QStringLiteral("Fehler"));
        QVERIFY(seen.Text.startsWith(QStringLiteral("Der Index-Dateiname")));
        QCOMPARE(GlobalSettings().Index, "start.htm");
        QVERIFY(Contains(HttpGet(port_, "/start/"), "start page"));
    }

    void BackgroundIsChosenBelowTheRootOnly() {
        const std::string outside = ProgramDir() + "outside.jpg";
        TempDirWrite(outside);
        TSeenDialog seen;
        WithDialog(
            QStringLiteral("ListingForm"), [this] { OpenEditor(); },
            [&](QWidget& dialog) {
                TListingForm& form = Form(dialog);
                form.BgEd->clear();
                PickNextFile(WebRoot() + "img/bg.jpg");
                form.BgChooseBtn->click();
                QCOMPARE(form.BgEd->text(), QStringLiteral("/img/bg.jpg"));
                PickNextFile(outside);
                AnswerNextMessage(QStringLiteral("OK"), &seen);
                form.BgChooseBtn->click();
                QCOMPARE(form.BgEd->text(), QStringLiteral("/img/bg.jpg"));
                form.CancelBtn->click();
            });
        QCOMPARE(seen.Text, QStringLiteral("Die Datei muss im Root-Ordner liegen."));
    }

    void EmptyTitleShowsTheDefaultNextTime() {
        WithDialog(
            QStringLiteral("ListingForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                Form(dialog).TitelEd->setText(QStringLiteral("  "));
                Form(dialog).OkBtn->click();
            });
        WithDialog(
            QStringLiteral("ListingForm"), [this] { OpenEditor(); },
            [](QWidget& dialog) {
                QCOMPARE(Form(dialog).TitelEd->text(), QStringLiteral("Directory Listing"));
                Form(dialog).ExploreBtn->click();
                Form(dialog).CancelBtn->click();
            });
        QCOMPARE(recorder_->Urls.back(), QUrl::fromLocalFile(QString::fromStdString(WebRoot())));
    }

    void BrowseNeedsARunningServer() {
        StopConfiguredServer();
        TSeenDialog seen;
        WithDialog(
            QStringLiteral("ListingForm"), [this] { OpenEditor(); },
            [&seen](QWidget& dialog) {
                AnswerNextMessage(QStringLiteral("OK"), &seen);
                Form(dialog).BrowseBtn->click();
                Form(dialog).CancelBtn->click();
            });
        QCOMPARE(seen.Text, QStringLiteral("Server läuft nicht"));
    }

  private:
    void OpenEditor() { window_->findChild<QPushButton*>(QStringLiteral("ListingEdBtn"))->click(); }
    static void TempDirWrite(const std::string& path) {
        QFile file(QString::fromStdString(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    uint16_t port_ = 0;
    TRecordingDesktop* recorder_ = nullptr;
    std::unique_ptr<TMainWindow> window_;
};

PALVEX_GUI_TEST_MAIN(ListingFormTest)
#include "ListingFormTest.moc"
