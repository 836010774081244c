#pragma once
#include "charts/ChartCanvas.h"
#include "platform/Metafile.h"

namespace spoolar {

// A chart drawn on a printer page: every primitive becomes a command of the page's metafile, in
// printer dots.
class MetafileChartCanvas : public IChartCanvas
{
public:
    MetafileChartCanvas(TMetafileCanvas& canvas, int dpi);

    double dpi() const override { return m_dpi; }
    void fillPolygon(const std::vector<TPointF>& points, TColor colour) override;
    void line(TPointF from, TPointF to, TColor colour, double width) override;
    void text(TPointF at, std::string_view ansi, const TChartTextStyle& style) override;
    double textWidth(std::string_view ansi, const TChartTextStyle& style) override;
    double textHeight(const TChartTextStyle& style) override;

private:
    static LogFont logFont(const TChartTextStyle& style);

    TMetafileCanvas& m_canvas;
    int m_dpi;
};

} // namespace spoolar
