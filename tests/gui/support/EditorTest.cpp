#include "support/EditorTest.h"

#include <QByteArray>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

#include "support/GuiTest.h"
#include "support/TestServer.h"

namespace palvex::test {

std::string WebRoot() {
    return ProgramDir() + "www/";
}

std::string TestIniPath() {
    return ProgramDir() + "palvex.ini";
}

void WriteProgramFile(const std::string& relative, const std::string& content) {
    const QString path = QString::fromStdString(ProgramDir() + relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(content.data(), qint64(content.size()));
}

std::string WriteWebFile(const std::string& relative, const std::string& content) {
    WriteProgramFile("www/" + relative, content);
    return WebRoot();
}

bool WithDialog(const QString& name, const std::function<void()>& open,
                const std::function<void(QWidget&)>& handle) {
    // Shared, so that a handler left waiting by a failed test stays harmless.
    auto ran = std::make_shared<bool>(false);
    OnNextDialog(name, [ran, handle](QWidget& dialog) {
        *ran = true;
        handle(dialog);
        // A handler that failed half way leaves the window open: close it
        // without questions so the test goes on.
        auto* window = qobject_cast<QDialog*>(&dialog);
        if (window && window->isVisible()) window->done(QDialog::Rejected);
    });
    open();
    return *ran;
}

std::string HttpGetAs(uint16_t port, const std::string& path, const std::string& credentials) {
    const QByteArray basic = QByteArray::fromStdString(credentials).toBase64();
    return Exchange(port, "GET " + path + " HTTP/1.0\r\nHost: localhost\r\nAuthorization: Basic " +
                              basic.toStdString() + "\r\n\r\n");
}

}  // namespace palvex::test
