#include "engine/PdfError.h"

#include <cstdio>
#include <cstring>

namespace spoolar {

std::string PdfError::messageFor(HPDF_STATUS error, HPDF_STATUS detail)
{
    char code[16];
    std::snprintf(code, sizeof code, "%04X", static_cast<unsigned>(error));
    return std::string("ERRORE HPDF: Codice errore = ") + code +
           "\n, Dettaglio = " + std::strerror(static_cast<int>(detail)) +
           "\nPulsante [Ignora]: Ignora l'errore senza riavviare Spoolar e tenta di produrre la "
           "stampa in coda\n\nPulsante [Riprova]: Riavvia Spoolar e tenta di produrre la stampa "
           "in coda\n\nPulsante [Interrompi]: Da usare come ultima opzione, chiude Spoolar";
}

PdfError::PdfError(HPDF_STATUS error, HPDF_STATUS detail)
    : std::runtime_error(messageFor(error, detail)), m_error(error), m_detail(detail)
{
}

void pdfErrorHandler(HPDF_STATUS error, HPDF_STATUS detail, void*)
{
    throw PdfError(error, detail);
}

} // namespace spoolar
