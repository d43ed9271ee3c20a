// Helpers of the display tests: one application object for painting and widgets, a white image of a module's size, pixel colour
// checks, and PNGs for a person to look at when VISTRO_RENDER_DIR names a folder.
#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <functional>
#include <string>

inline void EnsureGuiApp() {
  static int argc = 1;
  static char name[] = "test_displays";
  static char* argv[] = {name, nullptr};
  if (QApplication::instance() == nullptr) new QApplication(argc, argv);
}

inline QImage Render(int w, int h, const std::function<void(QPainter&)>& paint, const char* png_name = nullptr) {
  EnsureGuiApp();
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    paint(p);
  }
  const char* dir = std::getenv("VISTRO_RENDER_DIR");
  if (dir != nullptr && png_name != nullptr) image.save(QString::fromUtf8(dir) + "/" + png_name + ".png");
  return image;
}

// Whether the pixel is close to `want` in each channel.
inline bool Near(const QImage& image, QPointF at, QColor want, int tolerance = 40) {
  const QColor c = image.pixelColor(at.toPoint());
  return std::abs(c.red() - want.red()) <= tolerance && std::abs(c.green() - want.green()) <= tolerance &&
         std::abs(c.blue() - want.blue()) <= tolerance;
}

inline bool Reddish(const QImage& image, QPointF at) {
  const QColor c = image.pixelColor(at.toPoint());
  return c.red() > 150 && c.green() < 90 && c.blue() < 90;
}
