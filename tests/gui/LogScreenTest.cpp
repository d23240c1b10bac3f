// The log screen offscreen, fed by the real server over loopback: line
// texts and colours from a grab, progress, the popup acting on running
// transfers, keep, tidy, pruning, copy, headers and the accessible text.

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>
#include <atomic>
#include <thread>

#include "app/ServerWiring.h"
#include "common/TextConv.h"
#include "config/Settings.h"
#include "server/LogText.h"
#include "shell/LogDelegate.h"
#include "shell/LogModel.h"
#include "shell/LogScreen.h"
#include "support/GuiTest.h"
#include "support/TempDir.h"
#include "support/TestServer.h"

namespace palvex {

namespace {

constexpr int kWaitMs = 8000;

// Reads a whole answer on its own thread; Done() once the peer closed.
class Download {
  public:
    Download(uint16_t port, const std::string& path) {
        thread_ = std::thread([this, port, path] {
            bytes_ = test::Exchange(port, "GET /" + path + " HTTP/1.0\r\n\r\n").size();
            done_ = true;
        });
    }
    ~Download() { thread_.join(); }
    bool Done() const { return done_; }
    size_t Bytes() const { return bytes_; }

  private:
    std::atomic<bool> done_{false};
    std::atomic<size_t> bytes_{0};
    std::thread thread_;
};

}  // namespace

class LogScreenTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void LinesShowTheirStatusInColourOnTheirBackground();
    void ThrottledTransferShowsItsProgress();
    void PopupLimitAndAbortActOnRunningTransfers();
    void KeptLineSurvivesPruningUntilTidied();
    void SelectedLineAndLinesAboveStayWhileThePopupIsOpen();
    void CopyAndHeaders();
    void EachLineReadsOutItsText();

  private:
    std::string Get(const std::string& path, const std::string& method = "GET") {
        return test::Exchange(server_->Port, method + " /" + path + " HTTP/1.0\r\n\r\n");
    }
    int Rows() const { return screen_->Model().rowCount(); }
    const TLogLine* Line(int row) const { return screen_->Model().LineAt(row); }
    const TLogLine* LastLine() const { return Line(Rows() - 1); }
    int RowWithPath(const std::string& path) const {
        for (int row = 0; row < Rows(); ++row)
            if (Line(row)->Path == path) return row;
        return -1;
    }
    // The list as drawn once its pending layout has run.
    QImage Grab() const {
        QCoreApplication::processEvents();
        return list_->viewport()->grab().toImage();
    }
    QRect RowRect(int row) const { return list_->visualRect(screen_->Model().index(row)); }
    void RightClick(int row) {
        QTest::mouseClick(list_->viewport(), Qt::RightButton, {}, RowRect(row).center());
    }
    void OpenPopupOn(int row) {
        RightClick(row);
        emit screen_->Popup().aboutToShow();
    }
    QAction* Item(const char* name) const { return screen_->Popup().findChild<QAction*>(name); }
    bool HasPixel(const QImage& image, const QRect& area, const QColor& colour) const {
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                if (image.pixelColor(x, y) == colour) return true;
        return false;
    }

    test::TempDir root_;
    THttpServer* server_ = nullptr;
    QWidget* window_ = nullptr;
    QListView* list_ = nullptr;
    QPlainTextEdit* memo_ = nullptr;
    TLogScreen* screen_ = nullptr;
};

void LogScreenTest::initTestCase() {
    root_.Write("small.txt", "klein");
    root_.Write("big.bin", std::string(70000, 'b'));
    root_.Write("mid.bin", std::string(25000, 'm'));
    root_.Write("huge.bin", std::string(2'000'000, 'h'));
    // The program's own wiring, on loopback, with the log screen observing.
    TServerSettings& settings = GlobalSettings();
    settings.Root = Utf8ToWide(root_.Path());
    settings.Port = test::FreePort();
    settings.PortGiven = true;
    server_ = &GlobalServer();
    server_->BindAddress = 0x7F000001;
    SetRequestObserver(LogRequest);
    QVERIFY(StartConfiguredServer(false));

    window_ = new QWidget;
    auto* layout = new QVBoxLayout(window_);
    list_ = new QListView;
    list_->setObjectName("LogBox");
    memo_ = new QPlainTextEdit;
    memo_->setObjectName("HeadMemo");
    layout->addWidget(list_, 3);
    layout->addWidget(memo_, 1);
    screen_ = new TLogScreen(*list_);
    window_->resize(760, 560);
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_));
}

void LogScreenTest::cleanupTestCase() {
    StopConfiguredServer();
    delete window_;
}

void LogScreenTest::init() {
    SetSpeedLimit(0);
    screen_->TidyLog();
    QTRY_COMPARE(Rows(), 0);
}

void LogScreenTest::LinesShowTheirStatusInColourOnTheirBackground() {
    screen_->LogMessage("Server gestartet an Port 1", kLogGreen);
    Get("small.txt");
    Get("small.txt", "HEAD");
    Get("nope.txt");
    screen_->LogMessage("Root-Pfad existiert nicht", kLogRed);
    Download big(server_->Port, "big.bin");
    QTRY_COMPARE_WITH_TIMEOUT(Rows(), 6, kWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(big.Done(), kWaitMs);
    QCOMPARE(Line(1)->Status, std::string(""));
    QCOMPARE(Line(2)->Status, std::string("head"));
    QCOMPARE(Line(3)->Status, std::string("not"));
    QCOMPARE(Line(3)->Client, std::string("127.0.0.1"));
    QCOMPARE(Line(3)->Path, std::string("nope.txt"));

    const QImage shot = Grab();
    QVERIFY(test::SaveShot(*list_->viewport(), "logscreen-colours"));
    const QColor white(Qt::white);
    const struct {
        int row;
        QColor background, status;
    } expected[] = {
        {0, {224, 255, 224}, {}},
        {2, white, {128, 128, 128}},
        {3, white, {160, 0, 0}},
        {4, {255, 224, 224}, {}},
    };
    for (const auto& e : expected) {
        const QRect rect = RowRect(e.row);
        QCOMPARE(shot.pixelColor(rect.right() - 2, rect.center().y()), e.background);
        if (e.status.isValid())
            QVERIFY2(HasPixel(shot, rect, e.status), qPrintable(QString::number(e.row)));
    }
}

void LogScreenTest::ThrottledTransferShowsItsProgress() {
    SetSpeedLimit(2);  // 4 kb/s: 25,000 bytes take about six seconds
    Download mid(server_->Port, "mid.bin");
    QTRY_COMPARE_WITH_TIMEOUT(Rows(), 1, kWaitMs);
    QCOMPARE(Line(0)->Status, std::string("0 %"));
    QCOMPARE(Line(0)->Colour, 'B');
    const QImage shot = Grab();
    QVERIFY(HasPixel(shot, RowRect(0), QColor(0, 0, 255)));
    QTRY_VERIFY_WITH_TIMEOUT(
        Line(0)->Status.size() >= 2 && Line(0)->Status.back() == '%' && Line(0)->Status != "0 %",
        kWaitMs);
    QVERIFY(test::SaveShot(*list_->viewport(), "logscreen-progress"));
    QTRY_VERIFY_WITH_TIMEOUT(mid.Done(), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(Line(0)->Status, std::string(""), kWaitMs);
    QCOMPARE(mid.Bytes() > 25000, true);
}

void LogScreenTest::PopupLimitAndAbortActOnRunningTransfers() {
    SetSpeedLimit(1);  // 1 kb/s: two megabytes would take half an hour
    Download lifted(server_->Port, "huge.bin");
    QTRY_COMPARE_WITH_TIMEOUT(Rows(), 1, kWaitMs);
    OpenPopupOn(0);
    QVERIFY(Item("popLimit1kb")->isEnabled() && Item("popLimit1kb")->isChecked());
    QVERIFY(Item("popAbort")->isEnabled());
    QCOMPARE(Item("popInfoSize")->text(), QString("1953 kb"));
    screen_->Popup().hide();
    Item("popLimit0")->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(lifted.Done(), kWaitMs);  // unthrottled from the next report on
    QVERIFY(lifted.Bytes() > 2'000'000);

    Download stopped(server_->Port, "huge.bin");
    QTRY_COMPARE_WITH_TIMEOUT(Rows(), 2, kWaitMs);
    OpenPopupOn(1);
    screen_->Popup().hide();
    Item("popAbort")->trigger();  // still at 0 %: acts all the same
    QTRY_VERIFY_WITH_TIMEOUT(stopped.Done(), kWaitMs);
    QVERIFY(stopped.Bytes() < 100'000);
    QTRY_COMPARE_WITH_TIMEOUT(Line(1)->Status, std::string("halt"), kWaitMs);
    OpenPopupOn(1);
    QVERIFY(!Item("popAbort")->isEnabled());
    QVERIFY(!Item("popLimit0")->isEnabled());
    screen_->Popup().hide();
}

void LogScreenTest::KeptLineSurvivesPruningUntilTidied() {
    const int fit = list_->viewport()->height() / TLogDelegate::kLineHeight;
    Get("small.txt");
    QTRY_COMPARE_WITH_TIMEOUT(Rows(), 1, kWaitMs);
    OpenPopupOn(0);
    QVERIFY(Item("popStayWith")->isEnabled());
    screen_->Popup().hide();
    Item("popStayWith")->trigger();
    list_->clearSelection();
    screen_->Model().Store().Select(0, true);
    for (int i = 0; i < fit + 10; ++i)
        screen_->LogMessage("Zeile " + std::to_string(i), kLogGreen);
    QTRY_COMPARE_WITH_TIMEOUT(LastLine()->Path, "Zeile " + std::to_string(fit + 9), kWaitMs);
    QVERIFY(Rows() <= fit);
    QCOMPARE(Line(0)->Path, std::string("small.txt"));
    QCOMPARE(Line(0)->Kind, kLogKept);
    const QImage shot = Grab();
    QVERIFY(test::SaveShot(*list_->viewport(), "logscreen-kept"));
    QCOMPARE(shot.pixelColor(RowRect(0).right() - 2, RowRect(0).center().y()),
             QColor(255, 255, 208));
    screen_->TidyLog();
    QCOMPARE(Rows(), 0);
}

void LogScreenTest::SelectedLineAndLinesAboveStayWhileThePopupIsOpen() {
    for (int i = 0; i < 5; ++i)
        screen_->LogMessage("oben " + std::to_string(i), kLogGreen);
    QTRY_COMPARE_WITH_TIMEOUT(Rows(), 5, kWaitMs);
    OpenPopupOn(3);
    for (int i = 0; i < 50; ++i)
        Get("small.txt");
    QTRY_COMPARE_WITH_TIMEOUT(LastLine()->Path, std::string("small.txt"), kWaitMs);
    for (int i = 0; i < 4; ++i)
        QCOMPARE(Line(i)->Path, "oben " + std::to_string(i));
    QVERIFY(list_->selectionModel()->isRowSelected(3));
    screen_->Popup().hide();
    const int fit = list_->viewport()->height() / TLogDelegate::kLineHeight;
    QVERIFY(Rows() <= fit);
}

void LogScreenTest::CopyAndHeaders() {
    Get("small.txt");
    QTRY_COMPARE_WITH_TIMEOUT(Rows(), 1, kWaitMs);
    QTest::mouseClick(list_->viewport(), Qt::LeftButton, {}, RowRect(0).center());
    const TLogLine line = *Line(0);
    const std::string headers = screen_->Model().Store().HeadersText(line.Id);
    QVERIFY2(headers.starts_with("GET /small.txt HTTP/1.0\r\n\r\n\r\n\r\n\r\nHTTP/1.0 200 Ok\r\n"),
             headers.c_str());
    QCOMPARE(memo_->toPlainText(), QString::fromStdString(headers).replace("\r\n", "\n"));
    Item("popLineCopy")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QString::fromStdString(line.Time + "  127.0.0.1  small.txt"));
}

void LogScreenTest::EachLineReadsOutItsText() {
    Get("nope.txt");
    QTRY_COMPARE_WITH_TIMEOUT(Rows(), 1, kWaitMs);
    const QString text = QString::fromStdString(LogLineText(*Line(0)));
    QVERIFY(text.endsWith("127.0.0.1        not        nope.txt"));
    QCOMPARE(screen_->Model().index(0).data(Qt::AccessibleTextRole).toString(), text);
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list_);
    QVERIFY(view);
    QAccessibleInterface* cell = view->child(0);
    QVERIFY(cell);
    QCOMPARE(cell->text(QAccessible::Name), text);
}

}  // namespace palvex

QTEST_MAIN(palvex::LogScreenTest)
#include "LogScreenTest.moc"
