// The main window's own geometry rules: the top rows follow the width, the
// header panel never grows on a resize, the wait notice sits centred at a
// width taken from its text, and "Maximieren" gives the help its width.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>

#include "support/GuiTest.h"
#include "support/TestServer.h"

using namespace palvex;
using namespace palvex::test;

class LayoutTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        RecordDesktop();
        window_ = OpenMainWindow({"Port=" + std::to_string(FreePort())});
    }
    void cleanupTestCase() { CloseMainWindow(window_); }

    // Buttons keep their column at the right, fields stretch up to them.
    void TopRowsFollowTheWidth() {
        for (int width : {700, 1100}) {
            window_->showNormal();
            window_->resize(width, 560);
            QCoreApplication::processEvents();
            auto* top = Find<QWidget>("TopPanel");
            const int x = top->width() - 20;
            QCOMPARE(Find<QLabel>("MorviNewsLabel")->geometry().right() + 1, x);
            for (auto [field, button] :
                 {std::pair{"RootEd", "SelRootBtn"}, std::pair{"IPEd", "FindIPBtn"},
                  std::pair{"ChatEd", "callChatBtn"}}) {
                const QRect b = Find<QPushButton>(button)->geometry();
                QCOMPARE(b.left(), x - 21 - b.width() - 4);
                QCOMPARE(Find<QLineEdit>(field)->geometry().right() + 1, b.left() - 6);
            }
        }
    }

    // A narrower window narrows the header panel to width - 70; the resize
    // itself never makes it wider than the user had it.
    void HeaderPanelIsNarrowedNeverWidened() {
        window_->showNormal();
        window_->resize(1100, 560);
        auto* mid = Find<QSplitter>("MidPanel");
        mid->setSizes({400, 680});
        QCoreApplication::processEvents();
        window_->resize(600, 560);
        QCoreApplication::processEvents();
        // The splitter may keep a few pixels more for the log list's minimum.
        const int narrowed = mid->sizes().value(1);
        QVERIFY2(narrowed <= 600 - 70 && narrowed > 600 - 90, QByteArray::number(narrowed));
        // Widening again gives back at most the width the user had chosen.
        window_->resize(1100, 560);
        QCoreApplication::processEvents();
        QVERIFY(mid->sizes().value(1) <= 680);
    }

    void WaitNoticeIsCentredAndSizedByItsText() {
        window_->showNormal();
        window_->resize(900, 560);
        QCoreApplication::processEvents();
        const QString text = QStringLiteral("Online-Check, bitte warten ...");
        window_->ShowWait(text);
        auto* wait = Find<QLabel>("WaitPanel");
        const QRect client = window_->centralWidget()->geometry();
        const QRect g = wait->geometry();
        QVERIFY(wait->isVisible());
        QCOMPARE(wait->text(), text);
        QCOMPARE(g.width(), window_->fontMetrics().horizontalAdvance(text) / 4 * 5 + 40);
        QCOMPARE(g.left(), client.left() + (client.width() - g.width()) / 2);
        QCOMPARE(g.top(), client.top() + (client.height() - g.height()) / 2);
        QVERIFY(!Find<QWidget>("TopPanel")->isEnabled());
        QVERIFY(!Find<QSplitter>("MidPanel")->isEnabled());
        window_->HideWait();
        QVERIFY(!wait->isVisible());
        QVERIFY(Find<QWidget>("TopPanel")->isEnabled() && Find<QSplitter>("MidPanel")->isEnabled());
    }

    // Maximised, the help takes the client width less 70, at most 700.
    void MaximiseGivesTheHelpItsWidth() {
        window_->showNormal();
        window_->resize(600, 500);
        QCoreApplication::processEvents();
        Find<QPushButton>("HelpMaxBtn")->click();
        QCoreApplication::processEvents();
        QTRY_VERIFY(window_->isMaximized());
        auto* mid = Find<QSplitter>("MidPanel");
        QTRY_COMPARE(mid->sizes().value(1), std::min(700, mid->width() - 70));
        window_->showNormal();
    }

  private:
    template <typename T>
    T* Find(const char* name) {
        T* widget = window_->findChild<T*>(QLatin1String(name));
        if (!widget) qFatal("no widget %s", name);
        return widget;
    }

    std::unique_ptr<TMainWindow> window_;
};

PALVEX_GUI_TEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
