// Lumoset, the camera program: one window that lives for the whole run.
//
//   Lumoset [--palette-display]
//
// The folder it is started from becomes the data folder (photos and videos
// of the run go below it); the Windows directory comes from $WINDIR and the
// cameras from $OUSBDRV_ROOT.

#include <QApplication>
#include <QDir>
#include <QWidget>

#include <cstring>
#include <iostream>
#include <memory>

#include "camera/app/main_window.h"
#include "camera/app/single_instance.h"
#include "platform/clock/clock.h"
#include "platform/help/help_service.h"
#include "platform/ousbdrv/socket_transport.h"
#include "platform/print/qt_printer.h"

namespace {

constexpr const char* kPaletteDisplaySwitch = "--palette-display";

void printUsage()
{
    std::cout << "usage: Lumoset [--palette-display]\n"
                 "  --palette-display  draw as on a 256-colour display (shared palette)\n";
}

void bringForward(QWidget* window)
{
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

int main(int argc, char** argv)
{
    bool paletteDisplay = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kPaletteDisplaySwitch) == 0) {
            paletteDisplay = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            printUsage();
            return 0;
        } else {
            std::cerr << "Lumoset: unknown argument " << argv[i] << "\n";
            printUsage();
            return 2;
        }
    }

    QApplication application(argc, argv);
    const std::string programFolder = QApplication::applicationDirPath().toStdString() + "/";

    lumoset::SingleInstance instance(lumoset::kMainWindowCaption);
    if (instance.forwardToRunningInstance())
        return 0;

    lumoset::MainWindowOptions options;
    options.programFolder = programFolder;
    options.dataFolder = QDir::currentPath().toStdString();
    options.paletteDisplay = paletteDisplay;

    platform::ousbdrv::SocketTransport transport;
    std::unique_ptr<platform::print::PrinterService> printers =
        platform::print::makeSystemPrinterService();
    lumoset::MainWindowServices services;
    services.transport = &transport;
    services.clock = &platform::clock::systemClock();
    services.printers = printers.get();
    services.showHelpTopic = [](QWidget* owner, const std::string& file, int contextId) {
        platform::help::showHelp(owner, file, platform::help::kHelpContextPopup,
                                 static_cast<std::uintptr_t>(contextId));
    };

    lumoset::MainWindow window(services, options);
    instance.listen([&window] { bringForward(&window); });
    if (!window.initialise())
        return 1;
    window.show();
    return application.exec();
}
