// Fitting a text module's font to its size: the text is measured at 32 points and the point
// size scaled by how much more (or less) room the widget has, times a margin factor (0.9 for
// labels, check boxes and radio buttons, 0.9 x 0.9 for push buttons).
#pragma once

#include <QFont>
#include <QSize>
#include <QSizeF>
#include <QString>

constexpr double kTextFitMeasurePointSize = 32.0;
constexpr double kTextFitMargin = 0.9;

// The point size for a text that measures `text_at_32pt` at 32 points in a widget of
// `widget` pixels. An empty measurement or widget keeps 32 x scale.
double FitPointSize(QSizeF text_at_32pt, QSizeF widget, double scale);
// Measures `text` in `font` at 32 points and fits it. Multi-line texts count every line.
double FitTextPointSize(const QFont& font, const QString& text, QSize widget, double scale);
// Check-box and radio indicator edge: min(width / 3, height / 3), at most half of either.
int FitIndicatorSize(QSize widget);
