#pragma once
// Helpers of the settings editors' window tests: a web root with files,
// driving a modal editor from the event loop, and requests with credentials.

#include <QString>
#include <functional>
#include <string>

class QWidget;

namespace palvex::test {

// Writes a file below the program folder.
void WriteProgramFile(const std::string& relative, const std::string& content);
// Writes a file below the program folder's "www/" (the tests' root) and
// returns the root ("<program folder>/www/").
std::string WriteWebFile(const std::string& relative, const std::string& content);
std::string WebRoot();
// A configuration file inside the program folder: the default one lies
// beside the test executable and would outlive the test.
std::string TestIniPath();

// Opens a modal window by calling open, runs handle on it once it shows, and
// returns whether handle ran before open returned. A window handle leaves
// open is closed without questions.
bool WithDialog(const QString& name, const std::function<void()>& open,
                const std::function<void(QWidget&)>& handle);

// A GET over loopback with Basic credentials "user:password".
std::string HttpGetAs(uint16_t port, const std::string& path, const std::string& credentials);

}  // namespace palvex::test
