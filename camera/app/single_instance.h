#pragma once
// One running camera program per user and desktop: the first instance
// listens on a local socket named after the program, the user and the
// display; a later start on the same display connects
// to it, asks it to come forward (restored if minimised), and ends.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;

namespace lumoset {

class SingleInstance final : public QObject {
public:
    // `name` is the program's name; the user id and the display are added to it.
    explicit SingleInstance(const QString& name);
    ~SingleInstance() override;

    // True when another instance answered and was asked to come forward:
    // this one should end.
    bool forwardToRunningInstance();
    // Starts listening; `onActivate` runs whenever a later start asks.
    bool listen(std::function<void()> onActivate);

    const QString& serverName() const { return serverName_; }

private:
    QString serverName_;
    std::unique_ptr<QLocalServer> server_;
    std::function<void()> onActivate_;
};

} // namespace lumoset
