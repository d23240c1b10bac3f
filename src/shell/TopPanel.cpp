#include "shell/TopPanel.h"

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

#include "shell/MessageDialogs.h"

namespace palvex {

namespace {

constexpr std::string_view kPortLabelText = "&Port";
constexpr std::string_view kStartPortBtnText = "neuen Port starten";
constexpr std::string_view kRootLabelText = "&Root";
constexpr std::string_view kSelRootBtnText = "Ordner wählen";
constexpr std::string_view kIpLabelText = "&IP:Port als URL";
constexpr std::string_view kFindIPBtnText = "IP ermitteln";
constexpr std::string_view kFindIPBtnHint = "Internet-IP ermitteln";
constexpr std::string_view kChatLabelText = "Chat-Nachricht";
constexpr std::string_view kCallChatBtnText = "Chat aufrufen";
constexpr std::string_view kListingLabelText = "Directory-Listing";
constexpr std::string_view kCamLabelText = "Webcam";
constexpr std::string_view kEditButtonText = "#";
constexpr std::string_view kHomepageLinkText = "Palvex im Web";

// Geometry of the rows (pixels).
constexpr int kMargin = 12;
constexpr int kFieldLeft = 136;
constexpr int kFirstRowTop = 30;
constexpr int kRowStep = 32;
constexpr int kRowHeight = 24;
constexpr int kPortEdWidth = 61;
constexpr int kGap = 6;
constexpr int kGroupGap = 20;
constexpr int kCheckWidth = 20;
constexpr int kEditButtonWidth = 24;
constexpr int kLinkTop = 6;
// FormResize: the link ends this far from the right; a column is kept free
// beside it; the row buttons keep this gap.
constexpr int kRightMargin = 20;
constexpr int kReservedColumn = 21;
constexpr int kButtonGap = 4;
constexpr int kFieldGap = 6;
// The decoration tile.
constexpr int kTileSize = 88;
constexpr int kTileStripe = 11;

int RowTop(int row) {
    return kFirstRowTop + row * kRowStep;
}

QString WithoutFirstAmpersand(QString text) {
    const qsizetype amp = text.indexOf(QChar('&'));
    if (amp >= 0) text.remove(amp, 1);
    return text;
}

}  // namespace

TTopPanel::TTopPanel(QWidget* parent) : QWidget(parent), tile_(DecorationTile()) {
    setObjectName(QStringLiteral("TopPanel"));
    setFixedHeight(kTopPanelHeight);
    setAutoFillBackground(true);
    CreateRows();
    CreateSwitches();
    PlaceFixedControls();
}

void TTopPanel::CreateRows() {
    struct TRow {
        QLabel*& Label;
        const char* LabelName;
        std::string_view Caption;
        QLineEdit*& Field;
        const char* FieldName;
    };
    const TRow rows[] = {
        {PortLabel, "PortLabel", kPortLabelText, PortEd, "PortEd"},
        {RootLabel, "RootLabel", kRootLabelText, RootEd, "RootEd"},
        {IpLabel, "IpLabel", kIpLabelText, IPEd, "IPEd"},
        {ChatLabel, "ChatLabel", kChatLabelText, ChatEd, "ChatEd"},
    };
    for (const TRow& row : rows) {
        row.Label = new QLabel(Q(row.Caption), this);
        row.Label->setObjectName(QLatin1String(row.LabelName));
        row.Label->setTextFormat(Qt::PlainText);
        row.Field = new QLineEdit(this);
        row.Field->setObjectName(QLatin1String(row.FieldName));
        row.Field->setAccessibleName(WithoutFirstAmpersand(Q(row.Caption)));
        row.Label->setBuddy(row.Field);
    }
    RootEd->setReadOnly(true);
    IPEd->setReadOnly(true);
    ChatEd->setReadOnly(true);
    auto button = [this](QPushButton*& target, const char* name, std::string_view caption) {
        target = new QPushButton(Q(caption), this);
        target->setObjectName(QLatin1String(name));
        target->setAutoDefault(false);
    };
    button(startPortBtn, "startPortBtn", kStartPortBtnText);
    button(SelRootBtn, "SelRootBtn", kSelRootBtnText);
    button(FindIPBtn, "FindIPBtn", kFindIPBtnText);
    button(callChatBtn, "callChatBtn", kCallChatBtnText);
    startPortBtn->setEnabled(false);
    FindIPBtn->setToolTip(Q(kFindIPBtnHint));
}

void TTopPanel::CreateSwitches() {
    auto group = [this](QCheckBox*& box, const char* boxName, QLabel*& label, const char* labelName,
                        std::string_view caption, QPushButton*& edit, const char* editName) {
        box = new QCheckBox(this);
        box->setObjectName(QLatin1String(boxName));
        box->setAccessibleName(Q(caption));
        label = new QLabel(Q(caption), this);
        label->setObjectName(QLatin1String(labelName));
        label->setTextFormat(Qt::PlainText);
        edit = new QPushButton(Q(kEditButtonText), this);
        edit->setObjectName(QLatin1String(editName));
        edit->setAccessibleName(Q(caption) + QStringLiteral(" ") + Q(kEditButtonText));
        edit->setAutoDefault(false);
    };
    group(ListingCheckBox, "ListingCheckBox", ListingLabel, "ListingLabel", kListingLabelText,
          ListingEdBtn, "ListingEdBtn");
    group(CamCheckBox, "CamCheckBox", CamLabel, "CamLabel", kCamLabelText, CamEdBtn, "CamEdBtn");
    ListingCheckBox->setChecked(true);
    MorviNewsLabel = new QLabel(Q(kHomepageLinkText), this);
    MorviNewsLabel->setObjectName(QStringLiteral("MorviNewsLabel"));
    MorviNewsLabel->setTextFormat(Qt::PlainText);
    QFont linkFont = MorviNewsLabel->font();
    linkFont.setUnderline(true);
    MorviNewsLabel->setFont(linkFont);
    QPalette linkPalette = MorviNewsLabel->palette();
    linkPalette.setColor(QPalette::WindowText, Qt::blue);
    MorviNewsLabel->setPalette(linkPalette);
    MorviNewsLabel->setCursor(Qt::PointingHandCursor);
    MorviNewsLabel->installEventFilter(this);
}

void TTopPanel::PlaceFixedControls() {
    for (int row = 0; row < 4; ++row) {
        QLabel* label = CaptionLabels()[row];
        label->setGeometry(kMargin, RowTop(row), kFieldLeft - kMargin - kGap, kRowHeight);
    }
    PortEd->setGeometry(kFieldLeft, RowTop(0), kPortEdWidth, kRowHeight);
    int x = kFieldLeft + kPortEdWidth + kGap;
    startPortBtn->setGeometry(x, RowTop(0), startPortBtn->sizeHint().width(), kRowHeight);
    x += startPortBtn->width() + kGroupGap;
    for (auto [box, label, edit] : {std::tuple{ListingCheckBox, ListingLabel, ListingEdBtn},
                                    std::tuple{CamCheckBox, CamLabel, CamEdBtn}}) {
        box->setGeometry(x, RowTop(0), kCheckWidth, kRowHeight);
        x += kCheckWidth;
        label->setGeometry(x, RowTop(0), label->sizeHint().width(), kRowHeight);
        x += label->width() + kButtonGap;
        edit->setGeometry(x, RowTop(0), kEditButtonWidth, kRowHeight);
        x += kEditButtonWidth + kGroupGap;
    }
    MorviNewsLabel->resize(MorviNewsLabel->sizeHint());
}

QList<QLabel*> TTopPanel::CaptionLabels() const {
    return {PortLabel, RootLabel, IpLabel, ChatLabel, ListingLabel, CamLabel};
}

void TTopPanel::LayoutToWidth(int width) {
    int x = width - kRightMargin;
    MorviNewsLabel->move(x - MorviNewsLabel->width(), kLinkTop);
    x -= kReservedColumn;
    const int buttonWidth = std::max({SelRootBtn->sizeHint().width(), FindIPBtn->sizeHint().width(),
                                      callChatBtn->sizeHint().width()});
    x -= buttonWidth + kButtonGap;
    int row = 1;
    for (auto [field, button] : {std::pair{RootEd, SelRootBtn}, std::pair{IPEd, FindIPBtn},
                                 std::pair{ChatEd, callChatBtn}}) {
        button->setGeometry(x, RowTop(row), buttonWidth, kRowHeight);
        field->setGeometry(kFieldLeft, RowTop(row), std::max(0, x - kFieldGap - kFieldLeft),
                           kRowHeight);
        ++row;
    }
}

void TTopPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    LayoutToWidth(width());
}

void TTopPanel::SetDecorationOn(bool on) {
    decorationOn_ = on;
    for (QLabel* label : CaptionLabels())
        label->setVisible(!on);
    update();
}

QPixmap TTopPanel::DecorationTile() {
    QPixmap tile(kTileSize, kTileSize);
    tile.fill(QColor(234, 240, 250));
    QPainter painter(&tile);
    painter.setPen(QPen(QColor(214, 224, 242), 2));
    for (int d = -kTileSize; d < kTileSize; d += kTileStripe)
        painter.drawLine(d, kTileSize, d + kTileSize, 0);
    return tile;
}

void TTopPanel::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!decorationOn_) return;
    QPainter painter(this);
    PaintDecoration(painter, event->rect());
}

void TTopPanel::PaintDecoration(QPainter& painter, const QRect& clip) {
    const int columns = clip.right() / tile_.width() + 1;
    const int rows = clip.bottom() / tile_.height() + 1;
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c)
            painter.drawPixmap(c * tile_.width(), r * tile_.height(), tile_);
    painter.setFont(font());
    painter.setPen(Qt::black);
    for (QLabel* label : CaptionLabels())
        painter.drawText(label->geometry(), Qt::AlignLeft | Qt::AlignVCenter,
                         WithoutFirstAmpersand(label->text()));
    painter.setFont(MorviNewsLabel->font());
    painter.setPen(Qt::blue);
    painter.drawText(MorviNewsLabel->geometry(), Qt::AlignLeft | Qt::AlignVCenter,
                     MorviNewsLabel->text());
    painter.setFont(font());
    painter.setPen(Qt::black);
}

bool TTopPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == MorviNewsLabel && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        emit HomepageClicked();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace palvex
