#pragma once
#include "charts/ChartJob.h"

#include <string>

namespace spoolar {

// The fax cover operation of a chart job: the cover page of FaxCover.ini and the job's cover
// file, laid out for the job's printer and put in front of the recorded chart pages. Nothing
// without a cover file or a page list. The host must outlive the hook.
TFaxCoverHook chartFaxCover(const EngineHost& host, std::string jobFontName);

} // namespace spoolar
