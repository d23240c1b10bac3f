#pragma once
// The program's one window: it starts and stops the server, shows its state
// and carries every menu. Server behaviour stays in the core and the wiring;
// the window only observes and sets through named functions.

#include <QMainWindow>
#include <QString>
#include <functional>
#include <string>
#include <thread>

class QAction;
class QLabel;
class QSplitter;
class QTimer;

namespace palvex {

class THeaderPanel;
class TTopPanel;

inline constexpr std::string_view kTitleOffline = "OFFLINE Palvex";
inline constexpr std::string_view kTitleStopped = "Palvex";
// "Port " + N + kTitleStartedSuffix
inline constexpr std::string_view kTitleStartedSuffix = " (Morvi Webserver)";
inline constexpr std::string_view kTrayTipOffline = "Webserver OFFLINE";
inline constexpr std::string_view kServerStartedText = "Server gestartet an ";
inline constexpr std::string_view kServerStoppedText = "Server NICHT gestartet";
inline constexpr std::string_view kRootMissingText = "Root-Pfad existiert nicht";
// "Webserver an Port " + N + kStartFailedSuffix
inline constexpr std::string_view kStartFailedPrefix = "Webserver an Port ";
inline constexpr std::string_view kStartFailedSuffix = " konnte nicht gestartet werden.";

class TMainWindow : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TMainWindow)

  public:
    explicit TMainWindow(QWidget* parent = nullptr);
    ~TMainWindow() override;

    // Runs once, after the window is first shown (queued from showEvent, as
    // offscreen and Wayland may never activate it): applies the window
    // words and starts the server.
    void FirstActivation();
    bool FirstActivationDone() const { return firstActivationDone_; }
    // Shows the settings and starts the server; on failure asks Retry/Cancel.
    void ApplySettingsAndStart(bool retryPorts);
    void ShowServerStarted();
    void ShowServerStopped();
    // Loads a configuration file and restarts the server on it.
    void ReloadConfiguration(const std::string& path);
    void ShowWait(const QString& text);
    void HideWait();
    void SetHeaderPanel(bool visible, bool remember);
    void SetDecoration(bool on, bool remember);
    // The chat notice field: text shown, yellow until the field is entered.
    void ShowChatNotice(const QString& text);

    // What the program shows as its title, the status bar text, the tray tip.
    QString StatusText() const;
    QString TrayTip() const { return trayTip_; }
    bool ConfirmOnClose() const { return confirmOnClose_; }
    // "Programm beenden": closes without questions, unsaved changes dropped.
    void CloseWithoutQuestions();
    // Waits until a stop begun by a reload has ended.
    void WaitForServerStop();

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Construction.
    void CreateCentralArea();
    void CreateStatusAndWait();
    void ConnectTopPanel();
    void ConnectMenus();
    void ConnectViewMenus();
    QAction* Action(const char* name) const;

    // Start-up and state.
    void ApplyWindowWords();
    void SetHints();
    void SetStateTexts(const QString& title, const QString& tip, const std::string& status,
                       bool started);
    void ScheduleStartupWindowState(bool maximize, bool minimize);

    // Port field.
    void PortEdChange();
    void PortEdExit();
    void ShowRunningPortAgain();
    void startPortBtnClick();
    void StartSecondInstance(int32_t port);

    // Root, listing, chat.
    void SelRootBtnClick();
    void ChangeRoot(const std::string& folder);
    void ListingCheckBoxClick(bool checked);
    void DeleteChatMessagesClick();
    void FieldEntered(QObject* field);
    void FieldLeft(QObject* field);

    // Configuration menu.
    void LoadConfigurationClick();
    bool SaveConfiguration();
    void EditIniFileClick();
    void CreateFileInfoClick();
    void AuthOptionsClick();
    void StopServerAside(std::function<void()> then);
    void ReloadStopped();

    // Limit, log and view menus.
    void LimitItemClick(uint8_t limit);
    void CheckLimitItem(uint8_t limit);
    void ToggleWord(QAction* action, std::string_view word, bool presentWhenChecked);
    void HeaderViewClick(bool checked);
    void HelpMaxBtnClick();
    void HelpClick();
    void FreewareHinweisClick();
    void ShowPageControlUnremembered();

    // Closing.
    bool MayClose();

    TTopPanel* top_ = nullptr;
    QSplitter* mid_ = nullptr;
    QWidget* logBox_ = nullptr;
    THeaderPanel* pages_ = nullptr;
    QLabel* statusLabel_ = nullptr;
    QLabel* waitPanel_ = nullptr;
    QTimer* gelbAusTimer_ = nullptr;

    bool firstActivationDone_ = false;
    bool confirmOnClose_ = false;
    QString trayTip_;
    // Preset file of the configuration open dialog and folder of the
    // .FileInfo save dialog.
    QString iniOpenPath_;
    QString fileInfoFolder_;
    // Stops the server for a reload.
    std::thread stopper_;
};

}  // namespace palvex
