#pragma once
#include <hpdf.h>

#include <stdexcept>
#include <string>

namespace spoolar {

// A libharu error, raised by the document's error handler; its text is the Italian message
// the dispatch shows with Abort / Retry / Ignore.
class PdfError : public std::runtime_error
{
public:
    PdfError(HPDF_STATUS error, HPDF_STATUS detail);
    HPDF_STATUS error() const { return m_error; }
    HPDF_STATUS detail() const { return m_detail; }

    static std::string messageFor(HPDF_STATUS error, HPDF_STATUS detail);

private:
    HPDF_STATUS m_error;
    HPDF_STATUS m_detail;
};

// The error handler given to every libharu document: throws PdfError.
void pdfErrorHandler(HPDF_STATUS error, HPDF_STATUS detail, void* userData);

} // namespace spoolar
