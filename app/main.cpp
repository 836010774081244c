// spoolar: turns the print jobs of DOS business programs into PDFs and printed pages.
#include "app/ConvertCommand.h"
#include "app/HeadlessProgram.h"
#include "app/ui/DesktopProgram.h"
#include "platform/WindowMessages.h"

#include <QApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
const char* kUsage =
    "Uso:\n"
    "  spoolar                 (il programma con l'icona nell'area di notifica; senza display\n"
    "                           come --headless)\n"
    "  spoolar --convert FILE [--title T] [--font NOME] [--pdf-type 0|1|2] [--landscape]\n"
    "          [--left-offset N] [--png DIR [--dpi N]] [-o OUT] [--codepage 850|437]\n"
    "          [--control-codes FILE] [--debug-map] [--cover FILE]\n"
    "          [--printer NOME [--copies N] [--collate] [--passthrough]] [--chart 0|1|2]\n"
    "  spoolar --printer-list [--font NOME]\n"
    "  spoolar --headless [--control-codes FILE]\n"
    "  spoolar --send 6025 HANDLE | 6026 | 6027 | 32769\n";
}

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        // The tray program where there is a desktop, the spooler alone where there is none.
        if (std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY")) {
            QApplication app(argc, argv);
            return spoolar::runDesktop(args);
        }
        args.push_back("--headless");
    }
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (args[0] == "--convert") {
        const auto parsed = spoolar::parseConvertOptions(args);
        if (!parsed.options) {
            std::fprintf(stderr, "spoolar: %s\n%s", parsed.error.c_str(), kUsage);
            return 2;
        }
        // The engine measures fonts and renders pages through Qt Gui; no display is needed.
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        QGuiApplication app(argc, argv);
        return spoolar::runConvert(*parsed.options);
    }
    if (args[0] == "--headless") {
        // The spooler without windows; the engine still measures fonts through Qt Gui.
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        QGuiApplication app(argc, argv);
        return spoolar::runHeadless(args);
    }
    if (args[0] == "--printer-list") {
        if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
        QGuiApplication app(argc, argv);
        return spoolar::runPrinterList(args);
    }
    if (args[0] == "--send") {
        // A window message to the running instance.
        const auto message =
            spoolar::parseSendArguments(std::vector<std::string>(args.begin() + 1, args.end()));
        if (!message) {
            std::fprintf(stderr, "spoolar: messaggio non valido\n%s", kUsage);
            return 2;
        }
        if (!spoolar::sendWindowMessage(*message)) {
            std::fputs("spoolar: Spoolar non è in esecuzione\n", stderr);
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "spoolar: opzione sconosciuta: %s\n%s", args[0].c_str(), kUsage);
    return 2;
}
