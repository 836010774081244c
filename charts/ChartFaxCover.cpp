#include "charts/ChartFaxCover.h"

#include "overlays/FaxCover.h"
#include "platform/Clock.h"
#include "platform/PrinterDevice.h"
#include "platform/WinPath.h"

#include <chrono>
#include <ctime>

namespace spoolar {

TFaxCoverHook chartFaxCover(const EngineHost& host, std::string jobFontName)
{
    return [&host, font = std::move(jobFontName)](const TFaxCoverRequest& request) {
        if (request.coverFile.empty() || !request.pages)
            return;
        IPrinterDevice& printer = request.printer;
        FaxCoverTarget target;
        target.pageWidth = printer.pageWidth();
        target.pageHeight = printer.pageHeight();
        // Resolution and margin as the engine takes them from the driver's device mode.
        if (const auto mode = printer.defaultDeviceMode(); mode && mode->yResolution != 0) {
            target.dpiY = mode->yResolution;
            target.dpiX = mode->printQuality > 0 ? mode->printQuality : mode->yResolution;
            target.margin = static_cast<int>(target.dpiX / 600.0 * 41.666664);
        }
        target.landscape = printer.orientation() == Orientation::Landscape;
        const std::time_t now = std::chrono::system_clock::to_time_t(host.clock.now());
        std::tm local{};
        localtime_r(&now, &local);
        addFaxCoverPage(*request.pages, target,
                        resolveCaseInsensitive(host.paths.programHome() / "FaxCover.ini"),
                        request.coverFile, font, local, host.screenDpi);
    };
}

} // namespace spoolar
