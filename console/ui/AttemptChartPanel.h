#pragma once

#include <QWidget>
#include <vector>

#include "console/commands/AttemptChart.h"

class QBarCategoryAxis;
class QChart;
class QChartView;
class QLabel;
class QValueAxis;

namespace mireval::ui {

// The filter's attempts per day, one stacked bar a day with a part per outcome, and beside it
// each outcome's count: what the database counted for the filter, not the page shown.
class AttemptChartPanel : public QWidget {
    Q_OBJECT

  public:
    explicit AttemptChartPanel(QWidget* parent = nullptr);

    void Show(const AttemptChart& chart);

    // The outcome counts as shown, for tests and screen readers: "concedido: 2.410", ...
    QStringList CountTexts() const;
    // The chart's bars per outcome, as drawn.
    std::vector<std::vector<qint64>> BarValues() const;
    QStringList BarDays() const;

  private:
    QChart* m_chart = nullptr;
    QChartView* m_view = nullptr;
    QBarCategoryAxis* m_days = nullptr;
    QValueAxis* m_amounts = nullptr;
    std::vector<QLabel*> m_counts;
    QLabel* m_total = nullptr;
    QLabel* m_undated = nullptr;
};

}  // namespace mireval::ui
