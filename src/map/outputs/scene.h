// A picture as a list of things to draw, in pixels from the top left: the
// cell map is described once as a scene, which sceneSvg writes as SVG and
// paintScene paints into an image for a PNG file. Only what the map needs:
// a raster, rectangles, lines and paths of lines, and text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "map/outputs/png_image.h"

// Stripes over a fill: lines `width` wide, `spacing` apart, turned by `angle`
// degrees clockwise from vertical, in the fill colour at `opacity`.
struct Hatch {
  double angle, spacing, width, opacity;
};

// How shapes are filled and stroked (the shape's outline, centred on it).
struct Style {
  std::optional<Colour> fill;
  double fillOpacity = 1;
  std::optional<Hatch> hatch;  // needs a fill colour
  std::optional<Colour> stroke;
  double strokeWidth = 1;
  double strokeOpacity = 1;
  bool dashed = false;  // strokes: 4 on, 3 off
  bool arrow = false;   // lines: a filled head at their end, 6 stroke widths long
};

struct Shape {
  enum Kind { kRect, kLine, kPath } kind;
  double x, y, width, height;  // kRect: the corner and size; kLine: from (x, y) by (width, height)
  std::vector<double> segments;  // kPath: x1 y1 x2 y2 of each line
  int style;                     // index into Scene::styles
  std::string title;             // shown on hovering in a browser (UTF-8); may be empty
};

struct Text {
  double x, y;       // of the baseline's start, middle or end
  std::string text;  // UTF-8
  double size = 12;  // pixels
  enum Anchor { kStart, kMiddle, kEnd } anchor = kStart;
  Colour colour{34, 34, 34};
  bool bold = false;
  bool halo = false;  // a white rim, for text over the terrain
};

// A raster stretched over a rectangle.
struct Raster {
  Image image;
  double x, y, width, height;
};

// Drawn in order: its raster, its shapes, then its texts.
struct Layer {
  std::string name;  // the SVG group's class
  std::optional<Raster> raster;
  std::vector<Shape> shapes;
  std::vector<Text> texts;
};

struct Scene {
  int width = 0, height = 0;  // in pixels
  std::string title;          // UTF-8
  Colour background{255, 255, 255};
  std::vector<Style> styles;
  std::vector<Layer> layers;

  int addStyle(const Style& style) {
    styles.push_back(style);
    return static_cast<int>(styles.size()) - 1;
  }
};

// The width of a line of text at `size` pixels in paintScene's letters (a
// browser's sans-serif ones are a little wider).
double textWidth(const std::string& text, double size);

// The scene as one SVG file; the raster goes in as a PNG in a data: URL.
std::string sceneSvg(const Scene& scene);

// The scene painted, text in stb_easy_font's letters (ASCII: accented
// letters lose their accents, other characters become '?').
Image paintScene(const Scene& scene);
