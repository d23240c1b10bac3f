#pragma once
// The top panel of the main window: port, root, address and chat rows, the
// listing and webcam switches and the homepage link, optionally painted
// with the decoration (a tiled picture with the row captions drawn on it).

#include <QPixmap>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace palvex {

inline constexpr int kTopPanelHeight = 165;

class TTopPanel : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TTopPanel)

  public:
    explicit TTopPanel(QWidget* parent);

    // Switches the decoration; captions hidden while it paints them itself.
    void SetDecorationOn(bool on);
    bool DecorationOn() const { return decorationOn_; }
    // The picture tiled behind the controls.
    static QPixmap DecorationTile();

    QLabel* PortLabel = nullptr;
    QLineEdit* PortEd = nullptr;
    QPushButton* startPortBtn = nullptr;
    QLabel* RootLabel = nullptr;
    QLineEdit* RootEd = nullptr;
    QPushButton* SelRootBtn = nullptr;
    QLabel* IpLabel = nullptr;
    QLineEdit* IPEd = nullptr;
    QPushButton* FindIPBtn = nullptr;
    QLabel* ChatLabel = nullptr;
    QLineEdit* ChatEd = nullptr;
    QPushButton* callChatBtn = nullptr;
    QCheckBox* ListingCheckBox = nullptr;
    QLabel* ListingLabel = nullptr;
    QPushButton* ListingEdBtn = nullptr;
    QCheckBox* CamCheckBox = nullptr;
    QLabel* CamLabel = nullptr;
    QPushButton* CamEdBtn = nullptr;
    QLabel* MorviNewsLabel = nullptr;

  signals:
    void HomepageClicked();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateRows();
    void CreateSwitches();
    void PlaceFixedControls();
    // Right edge of the three row buttons and width of the three fields.
    void LayoutToWidth(int width);
    void PaintDecoration(QPainter& painter, const QRect& clip);
    QList<QLabel*> CaptionLabels() const;

    bool decorationOn_ = false;
    QPixmap tile_;
};

}  // namespace palvex
