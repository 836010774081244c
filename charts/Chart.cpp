#include "charts/Chart.h"
#include "charts/ChartFormat.h"

#include <algorithm>
#include <cmath>

namespace spoolar {

void TChartTitle::setText(const std::string& text)
{
    lines.clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
}

std::string TChartSeries::markText(int valueIndex) const
{
    if (valueIndex < 0 || static_cast<std::size_t>(valueIndex) >= points.size())
        return {};
    const TChartPoint& point = points[static_cast<std::size_t>(valueIndex)];
    if (!point.value)
        return {};
    std::string text = formatChartValue(*point.value);
    if (OnGetMarkText)
        OnGetMarkText(*this, valueIndex, text);
    return text;
}

TChartSeries& TChart::addSeries(std::unique_ptr<TChartSeries> series)
{
    m_series.push_back(std::move(series));
    return *m_series.back();
}

TMultiBar TChart::multiBar() const
{
    for (const auto& s : m_series) {
        if (s->type == TSeriesType::tsBarre)
            return s->multiBar;
    }
    return TMultiBar::mbSide;
}

int TChart::slotCount() const
{
    std::size_t slots = 0;
    for (const auto& s : m_series) {
        if (s->type == TSeriesType::tsBarre)
            slots = std::max(slots, s->points.size());
    }
    return static_cast<int>(slots);
}

double TChart::maxYValue() const
{
    const TMultiBar mode = multiBar();
    std::optional<double> best;
    auto consider = [&](double v) { best = best ? std::max(*best, v) : v; };
    if (mode == TMultiBar::mbStacked || mode == TMultiBar::mbStacked100) {
        const int slots = slotCount();
        for (int i = 0; i < slots; ++i) {
            double sum = 0;
            bool any = false;
            for (const auto& s : m_series) {
                if (s->type != TSeriesType::tsBarre ||
                    static_cast<std::size_t>(i) >= s->points.size())
                    continue;
                if (const auto& v = s->points[static_cast<std::size_t>(i)].value) {
                    sum += mode == TMultiBar::mbStacked100 ? std::abs(*v) : *v;
                    any = true;
                    if (mode == TMultiBar::mbStacked)
                        consider(sum);
                }
            }
            if (mode == TMultiBar::mbStacked100 && any)
                consider(sum > 0 ? 100.0 : 0.0);
        }
    } else {
        for (const auto& s : m_series) {
            if (s->type != TSeriesType::tsBarre)
                continue;
            for (const TChartPoint& p : s->points) {
                if (p.value)
                    consider(*p.value);
            }
        }
    }
    return best.value_or(0.0);
}

} // namespace spoolar
