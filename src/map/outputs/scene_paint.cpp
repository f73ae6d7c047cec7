// Painting a scene into an image, for --png: the same scene the SVG writer
// writes, painted with smoothed edges (each pixel takes the share of it a
// shape covers), text in stb_easy_font's letters, the raster stretched
// between its pixels. Titles only show in a browser and are left out.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "map/outputs/scene.h"

#include <stb/stb_easy_font.h>

namespace {

// stb_easy_font draws a line of capitals 7 units high on a 12-unit line; at
// one unit a pixel its letters stand about as tall as those of an 11-pixel
// sans-serif font. Units are whole or half pixels, and the letters start on
// whole pixels, so that they stay sharp: 10 to 13 pixels of size draw at 1,
// 16 at 1.5.
constexpr double kFontSize = 11;
constexpr double kCapHeight = 7;  // font units from the top of a letter to its baseline

double fontScale(double size) { return std::max(1.0, std::round(size / kFontSize * 2) / 2); }
constexpr double kPi = 3.14159265358979323846;

// The text in the font's characters: printable ASCII; the accented letters
// of Latin-1 without their accents, a few signs of Windows-1252 as their
// ASCII likes, anything else '?'.
std::string asciiText(const std::string& utf8) {
  // U+00C0 to U+00FF.
  static const char kFolded[] = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYPsaaaaaaaceeeeiiiidnooooo/ouuuuypy";
  std::string out;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    uint32_t code = byte;
    std::size_t length = 1;
    if (byte >= 0xf0) {
      length = 4;
    } else if (byte >= 0xe0) {
      length = 3;
    } else if (byte >= 0xc0) {
      length = 2;
    }
    if (length > 1) {
      code = byte & (0x3f >> (length - 1));
      for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k) {
        code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3f);
      }
    }
    i += length;
    if (code >= 0x20 && code < 0x7f) {
      out += static_cast<char>(code);
    } else if (code >= 0xc0 && code <= 0xff) {
      out += kFolded[code - 0xc0];
    } else if (code == 0xa0) {
      out += ' ';
    } else if (code == 0x2018 || code == 0x2019) {
      out += '\'';
    } else if (code == 0x201c || code == 0x201d) {
      out += '"';
    } else if (code == 0x2013 || code == 0x2014) {
      out += '-';
    } else {
      out += '?';
    }
  }
  return out;
}

// The share of [from, to) that lies in the pixel [index, index + 1).
double cover(double from, double to, int index) {
  return std::max(0.0, std::min(to, index + 1.0) - std::max(from, static_cast<double>(index)));
}

// The share of [from, to) that lies on stripes [n·spacing, n·spacing + width).
double stripeCover(double from, double to, double spacing, double width) {
  double covered = 0;
  for (double start = std::floor(from / spacing) * spacing; start < to; start += spacing) {
    covered += std::max(0.0, std::min(to, start + width) - std::max(from, start));
  }
  return covered / (to - from);
}

class Painter {
 public:
  explicit Painter(Image& image) : image_(image) {}

  void blend(int x, int y, Colour c, double alpha) {
    if (x < 0 || y < 0 || x >= image_.width || y >= image_.height || alpha <= 0) return;
    alpha = std::min(alpha, 1.0);
    const Colour p = image_.at(x, y);
    auto mix = [&](uint8_t under, uint8_t over) {
      return static_cast<uint8_t>(under + (over - under) * alpha + 0.5);
    };
    image_.set(x, y, {mix(p.r, c.r), mix(p.g, c.g), mix(p.b, c.b)});
  }

  // Calls paint(x, y, coverage) for each pixel the rectangle touches.
  template <typename Paint>
  void eachPixel(double x0, double y0, double x1, double y1, Paint paint) {
    const int left = std::max(0, static_cast<int>(std::floor(x0)));
    const int top = std::max(0, static_cast<int>(std::floor(y0)));
    const int right = std::min(image_.width, static_cast<int>(std::ceil(x1)));
    const int bottom = std::min(image_.height, static_cast<int>(std::ceil(y1)));
    for (int y = top; y < bottom; ++y) {
      const double rowCover = cover(y0, y1, y);
      for (int x = left; x < right; ++x) paint(x, y, rowCover * cover(x0, x1, x));
    }
  }

  void fillRect(double x0, double y0, double x1, double y1, Colour c, double alpha) {
    eachPixel(x0, y0, x1, y1, [&](int x, int y, double share) { blend(x, y, c, alpha * share); });
  }

  void fill(const Shape& rect, const Style& style) {
    const double x0 = rect.x, y0 = rect.y, x1 = rect.x + rect.width, y1 = rect.y + rect.height;
    fillRect(x0, y0, x1, y1, *style.fill, style.fillOpacity);
    if (!style.hatch) return;
    const Hatch& h = *style.hatch;
    // Across the stripes: the pattern's x, the pixel turned back by the angle.
    const double cosine = std::cos(h.angle * kPi / 180), sine = std::sin(h.angle * kPi / 180);
    const double footprint = std::abs(cosine) + std::abs(sine);
    eachPixel(x0, y0, x1, y1, [&](int x, int y, double share) {
      const double across = (x + 0.5) * cosine + (y + 0.5) * sine;
      const double stripe =
          stripeCover(across - footprint / 2, across + footprint / 2, h.spacing, h.width);
      blend(x, y, *style.fill, h.opacity * share * stripe);
    });
  }

  void strokeRect(const Shape& rect, const Style& style) {
    const double half = style.strokeWidth / 2;
    const double x0 = rect.x, y0 = rect.y, x1 = rect.x + rect.width, y1 = rect.y + rect.height;
    const Colour c = *style.stroke;
    const double a = style.strokeOpacity;
    fillRect(x0 - half, y0 - half, x1 + half, y0 + half, c, a);
    fillRect(x0 - half, y1 - half, x1 + half, y1 + half, c, a);
    fillRect(x0 - half, y0 + half, x0 + half, y1 - half, c, a);
    fillRect(x1 - half, y0 + half, x1 + half, y1 - half, c, a);
  }

  // A straight line `width` wide with square-cut ends, optionally dashed.
  void line(double x0, double y0, double x1, double y1, double width, Colour c, double alpha,
            bool dashed) {
    const double dx = x1 - x0, dy = y1 - y0;
    const double length = std::hypot(dx, dy);
    if (length < 1e-9) return;
    const double half = width / 2;
    const double reach = half + 1;  // pixels farther than this from the line stay untouched
    const int top = std::max(0, static_cast<int>(std::floor(std::min(y0, y1) - reach)));
    const int bottom =
        std::min(image_.height - 1, static_cast<int>(std::ceil(std::max(y0, y1) + reach)));
    for (int y = top; y <= bottom; ++y) {
      const double cy = y + 0.5;
      // The columns the line can touch on this row.
      double from = std::min(x0, x1) - reach, to = std::max(x0, x1) + reach;
      if (std::abs(dy) > 1e-9) {
        const double centre = x0 + (cy - y0) * dx / dy;
        const double spread = reach * length / std::abs(dy);
        from = std::max(from, centre - spread);
        to = std::min(to, centre + spread);
      }
      const int left = std::max(0, static_cast<int>(std::floor(from)));
      const int right = std::min(image_.width - 1, static_cast<int>(std::ceil(to)));
      for (int x = left; x <= right; ++x) {
        const double cx = x + 0.5;
        const double along = ((cx - x0) * dx + (cy - y0) * dy) / length;
        const double away = std::abs((cx - x0) * dy - (cy - y0) * dx) / length;
        if (dashed && std::fmod(std::max(along, 0.0), 7.0) >= 4) continue;
        double share = width >= 1 ? std::clamp(half + 0.5 - away, 0.0, 1.0)
                                  : std::max(0.0, 1 - away) * width;
        share *= std::clamp(along + 0.5, 0.0, 1.0) * std::clamp(length - along + 0.5, 0.0, 1.0);
        blend(x, y, c, alpha * share);
      }
    }
  }

  // A filled triangle, corners in any order.
  void triangle(const double (&px)[3], const double (&py)[3], Colour c, double alpha) {
    const double area = (px[1] - px[0]) * (py[2] - py[0]) - (py[1] - py[0]) * (px[2] - px[0]);
    if (std::abs(area) < 1e-9) return;
    const double turn = area > 0 ? 1 : -1;
    const int left = std::max(0, static_cast<int>(std::floor(*std::min_element(px, px + 3))));
    const int right = std::min(image_.width - 1, static_cast<int>(std::ceil(*std::max_element(px, px + 3))));
    const int top = std::max(0, static_cast<int>(std::floor(*std::min_element(py, py + 3))));
    const int bottom = std::min(image_.height - 1, static_cast<int>(std::ceil(*std::max_element(py, py + 3))));
    for (int y = top; y <= bottom; ++y) {
      for (int x = left; x <= right; ++x) {
        double inside = 1e9;  // distance to the nearest edge, negative outside
        for (int i = 0; i < 3; ++i) {
          const int j = (i + 1) % 3;
          const double ex = px[j] - px[i], ey = py[j] - py[i];
          const double distance =
              turn * (ex * (y + 0.5 - py[i]) - ey * (x + 0.5 - px[i])) / std::hypot(ex, ey);
          inside = std::min(inside, distance);
        }
        blend(x, y, c, alpha * std::clamp(inside + 0.5, 0.0, 1.0));
      }
    }
  }

  void stroke(const Shape& shape, const Style& style) {
    const Colour c = *style.stroke;
    const double w = style.strokeWidth, a = style.strokeOpacity;
    if (shape.kind == Shape::kRect) {
      strokeRect(shape, style);
    } else if (shape.kind == Shape::kPath) {
      for (std::size_t i = 0; i + 3 < shape.segments.size(); i += 4) {
        line(shape.segments[i], shape.segments[i + 1], shape.segments[i + 2],
             shape.segments[i + 3], w, c, a, style.dashed);
      }
    } else {
      const double x1 = shape.x + shape.width, y1 = shape.y + shape.height;
      const double length = std::hypot(shape.width, shape.height);
      if (!style.arrow || length < 1e-9) {
        line(shape.x, shape.y, x1, y1, w, c, a, style.dashed);
        return;
      }
      // The head: 6 stroke widths long and as wide, its tip at the end.
      const double ux = shape.width / length, uy = shape.height / length;
      const double head = std::min(6 * w, length);
      const double bx = x1 - ux * head, by = y1 - uy * head;
      line(shape.x, shape.y, bx, by, w, c, a, style.dashed);
      const double px[3] = {x1, bx - uy * 3 * w, bx + uy * 3 * w};
      const double py[3] = {y1, by + ux * 3 * w, by - ux * 3 * w};
      triangle(px, py, c, a);
    }
  }

  void raster(const Raster& r) {
    const Image& source = r.image;
    if (source.width == 0 || source.height == 0 || r.width <= 0 || r.height <= 0) return;
    eachPixel(r.x, r.y, r.x + r.width, r.y + r.height, [&](int x, int y, double share) {
      // Between the four nearest source pixels.
      const double u = std::clamp((x + 0.5 - r.x) / r.width * source.width - 0.5, 0.0,
                                  source.width - 1.0);
      const double v = std::clamp((y + 0.5 - r.y) / r.height * source.height - 0.5, 0.0,
                                  source.height - 1.0);
      const int u0 = static_cast<int>(u), v0 = static_cast<int>(v);
      const int u1 = std::min(u0 + 1, source.width - 1), v1 = std::min(v0 + 1, source.height - 1);
      const double fu = u - u0, fv = v - v0;
      auto channel = [&](uint8_t Colour::*part) {
        const double top = source.at(u0, v0).*part * (1 - fu) + source.at(u1, v0).*part * fu;
        const double low = source.at(u0, v1).*part * (1 - fu) + source.at(u1, v1).*part * fu;
        return static_cast<uint8_t>(top * (1 - fv) + low * fv + 0.5);
      };
      blend(x, y, {channel(&Colour::r), channel(&Colour::g), channel(&Colour::b)}, share);
    });
  }

  void text(const Text& t) {
    std::string ascii = asciiText(t.text);
    if (ascii.empty()) return;
    const double scale = fontScale(t.size);
    double left = t.x;
    const double width = textWidth(t.text, t.size);
    if (t.anchor == Text::kMiddle) left -= width / 2;
    if (t.anchor == Text::kEnd) left -= width;
    left = std::round(left);
    const double top = std::round(t.y - kCapHeight * scale);
    // The letters as quads of four vertices: x, y, z (float) and a colour
    // (4 bytes), 16 bytes each; some 270 bytes a character.
    std::vector<char> quads(ascii.size() * 640 + 64);
    const int count = stb_easy_font_print(0, 0, ascii.data(), nullptr, quads.data(),
                                          static_cast<int>(quads.size()));
    auto corner = [&](int quad, int vertex, int axis) {
      float value;
      std::memcpy(&value, quads.data() + (quad * 4 + vertex) * 16 + axis * 4, sizeof value);
      return static_cast<double>(value) * scale;
    };
    // Each letter is painted once into a mask, so that where its strokes
    // meet the colour is not laid on twice.
    const double rim = t.halo ? 1.5 : 0;
    const double bold = t.bold ? 0.5 * scale : 0;
    const int maskLeft = static_cast<int>(std::floor(left - rim - 1));
    const int maskTop = static_cast<int>(std::floor(top - rim - 1));
    const int maskWidth = static_cast<int>(std::ceil(width + bold + 2 * rim + 3));
    const int maskHeight = static_cast<int>(std::ceil(12 * scale + 2 * rim + 3));
    std::vector<double> ink(static_cast<std::size_t>(maskWidth) * maskHeight);
    std::vector<double> halo(ink.size());
    auto mark = [&](std::vector<double>& mask, double x0, double y0, double x1, double y1) {
      const int right = std::min(maskWidth, static_cast<int>(std::ceil(x1 - maskLeft)));
      const int bottom = std::min(maskHeight, static_cast<int>(std::ceil(y1 - maskTop)));
      for (int y = std::max(0, static_cast<int>(std::floor(y0 - maskTop))); y < bottom; ++y) {
        const double rowCover = cover(y0 - maskTop, y1 - maskTop, y);
        for (int x = std::max(0, static_cast<int>(std::floor(x0 - maskLeft))); x < right; ++x) {
          double& cell = mask[static_cast<std::size_t>(y) * maskWidth + x];
          cell = std::max(cell, rowCover * cover(x0 - maskLeft, x1 - maskLeft, x));
        }
      }
    };
    for (int q = 0; q < count; ++q) {
      const double x0 = left + corner(q, 0, 0), y0 = top + corner(q, 0, 1);
      const double x1 = left + corner(q, 2, 0) + bold, y1 = top + corner(q, 2, 1);
      mark(ink, x0, y0, x1, y1);
      if (t.halo) mark(halo, x0 - rim, y0 - rim, x1 + rim, y1 + rim);
    }
    for (int y = 0; y < maskHeight; ++y) {
      for (int x = 0; x < maskWidth; ++x) {
        const std::size_t i = static_cast<std::size_t>(y) * maskWidth + x;
        if (t.halo) blend(maskLeft + x, maskTop + y, {255, 255, 255}, 0.8 * halo[i]);
        blend(maskLeft + x, maskTop + y, t.colour, ink[i]);
      }
    }
  }

 private:
  Image& image_;
};

}  // namespace

double textWidth(const std::string& text, double size) {
  std::string ascii = asciiText(text);
  if (ascii.empty()) return 0;
  return stb_easy_font_width(ascii.data()) * fontScale(size);
}

Image paintScene(const Scene& scene) {
  Image image(scene.width, scene.height, scene.background);
  Painter painter(image);
  for (const Layer& layer : scene.layers) {
    if (layer.raster) painter.raster(*layer.raster);
    for (const Shape& shape : layer.shapes) {
      const Style& style = scene.styles.at(static_cast<std::size_t>(shape.style));
      if (shape.kind == Shape::kRect && style.fill) painter.fill(shape, style);
      if (style.stroke) painter.stroke(shape, style);
    }
    for (const Text& text : layer.texts) painter.text(text);
  }
  return image;
}
