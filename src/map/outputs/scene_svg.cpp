// Writing a scene as SVG: each style a CSS class (a hatched fill a pattern,
// an arrowhead a marker), each layer a group, the raster a PNG inside the
// file, so that the SVG stays one file.
#include <cstdio>

#include <initializer_list>
#include <utility>

#include "base/text_format.h"
#include "map/outputs/map_text.h"
#include "map/outputs/scene.h"

namespace {

std::string hex(Colour c) { return formatted("#%02x%02x%02x", c.r, c.g, c.b); }

// UTF-8 text as an element's content: the XML specials escaped (double
// quotes stay, as only attribute values need them escaped); control
// characters but the line end, which XML forbids, become '?'.
// Runs of characters that stay as they are are copied whole.
void appendXmlEscaped(std::string& out, const std::string& text) {
  std::size_t from = 0;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char c = text[at];
    const auto byte = static_cast<unsigned char>(c);
    const bool control = (byte < 0x20 && c != '\n') || byte == 0x7f;
    if (!control && c != '&' && c != '<' && c != '>') continue;
    out.append(text, from, at - from);
    out += c == '&' ? "&amp;" : c == '<' ? "&lt;" : c == '>' ? "&gt;" : "?";
    from = at + 1;
  }
  out.append(text, from);
}
std::string xmlEscaped(const std::string& text) {
  std::string out;
  appendXmlEscaped(out, text);
  return out;
}

void appendStyle(std::string& css, std::string& defs, const Style& style, int index) {
  css += formatted(".s%d{", index);
  if (style.fill && style.hatch) {
    const Hatch& h = *style.hatch;
    appendFormatted(defs,
        "<pattern id=\"p%d\" patternUnits=\"userSpaceOnUse\" width=\"%.2f\" height=\"%.2f\" "
        "patternTransform=\"rotate(%.2f)\"><rect width=\"%.2f\" height=\"%.2f\" fill=\"%s\" "
        "fill-opacity=\"%.2f\"/><rect width=\"%.2f\" height=\"%.2f\" fill=\"%s\" "
        "fill-opacity=\"%.2f\"/></pattern>\n",
        index, h.spacing, h.spacing, h.angle, h.spacing, h.spacing, hex(*style.fill).c_str(),
        style.fillOpacity, h.width, h.spacing, hex(*style.fill).c_str(), h.opacity);
    appendFormatted(css, "fill:url(#p%d);", index);
  } else if (style.fill) {
    appendFormatted(css, "fill:%s;fill-opacity:%.2f;", hex(*style.fill).c_str(), style.fillOpacity);
  } else {
    css += "fill:none;";
  }
  if (style.stroke) {
    appendFormatted(css, "stroke:%s;stroke-width:%.2f;stroke-opacity:%.2f;",
                    hex(*style.stroke).c_str(), style.strokeWidth, style.strokeOpacity);
    if (style.dashed) css += "stroke-dasharray:4 3;";
    if (style.arrow) {
      appendFormatted(defs,
          "<marker id=\"m%d\" viewBox=\"0 0 10 10\" refX=\"10\" refY=\"5\" markerWidth=\"6\" "
          "markerHeight=\"6\" orient=\"auto\"><path d=\"M0 0L10 5L0 10z\" fill=\"%s\" "
          "fill-opacity=\"%.2f\"/></marker>\n",
          index, hex(*style.stroke).c_str(), style.strokeOpacity);
      appendFormatted(css, "marker-end:url(#m%d);", index);
    }
  }
  css += "}\n";
}

// The numbers of a shape's attributes, each as "%.2f", after their names:
// e.g. ` x="12.50" y="3.00"`.
void appendAttributes(std::string& out, std::initializer_list<std::pair<const char*, double>> attributes) {
  for (const auto& [name, value] : attributes) {
    appendJoined(out, " ", name, "=\"");
    appendTwoDecimals(out, value);
    out += '"';
  }
}

void appendShape(std::string& out, const Shape& shape) {
  const char* element = shape.kind == Shape::kRect ? "rect" : shape.kind == Shape::kLine ? "line" : "path";
  appendJoined(out, "<", element, " class=\"s", decimalText(shape.style).text, "\"");
  switch (shape.kind) {
    case Shape::kRect:
      appendAttributes(out, {{"x", shape.x}, {"y", shape.y}, {"width", shape.width},
                             {"height", shape.height}});
      break;
    case Shape::kLine:
      appendAttributes(out, {{"x1", shape.x}, {"y1", shape.y}, {"x2", shape.x + shape.width},
                             {"y2", shape.y + shape.height}});
      break;
    case Shape::kPath:
      out += " d=\"";
      for (std::size_t i = 0; i + 3 < shape.segments.size(); i += 4) {
        out += 'M';
        appendTwoDecimals(out, shape.segments[i]);
        out += ' ';
        appendTwoDecimals(out, shape.segments[i + 1]);
        out += 'L';
        appendTwoDecimals(out, shape.segments[i + 2]);
        out += ' ';
        appendTwoDecimals(out, shape.segments[i + 3]);
      }
      out += '"';
      break;
  }
  if (shape.title.empty()) {
    out += "/>\n";
  } else {
    out += "><title>";
    appendXmlEscaped(out, shape.title);
    appendJoined(out, "</title></", element, ">\n");
  }
}

void appendText(std::string& out, const Text& text) {
  static const char* const kAnchors[] = {"start", "middle", "end"};
  appendFormatted(out,
      "<text x=\"%.2f\" y=\"%.2f\" text-anchor=\"%s\" style=\"font-size:%.1fpx;fill:%s%s%s\">",
      text.x, text.y, kAnchors[text.anchor], text.size, hex(text.colour).c_str(),
      text.bold ? ";font-weight:bold" : "",
      text.halo ? ";stroke:#fff;stroke-width:3px;stroke-opacity:0.8;stroke-linejoin:round;"
                  "paint-order:stroke"
                : "");
  out += xmlEscaped(text.text) + "</text>\n";
}

}  // namespace

std::string sceneSvg(const Scene& scene) {
  std::string css = "text{font-family:sans-serif}\n";
  std::string defs;
  for (std::size_t i = 0; i < scene.styles.size(); ++i) {
    appendStyle(css, defs, scene.styles[i], static_cast<int>(i));
  }
  std::string svg = formatted(
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\" "
      "width=\"%d\" height=\"%d\" viewBox=\"0 0 %d %d\">\n",
      scene.width, scene.height, scene.width, scene.height);
  svg += "<title>" + xmlEscaped(scene.title) + "</title>\n<style>\n" + css + "</style>\n";
  if (!defs.empty()) svg += "<defs>\n" + defs + "</defs>\n";
  appendFormatted(svg, "<rect width=\"%d\" height=\"%d\" fill=\"%s\"/>\n", scene.width,
                  scene.height, hex(scene.background).c_str());
  for (const Layer& layer : scene.layers) {
    svg += "<g class=\"" + layer.name + "\">\n";  // a name of the map's own
    if (layer.raster) {
      const Raster& r = *layer.raster;
      appendFormatted(svg,
          "<image x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" "
          "preserveAspectRatio=\"none\" xlink:href=\"data:image/png;base64,",
          r.x, r.y, r.width, r.height);
      svg += base64(encodePng(r.image)) + "\"/>\n";
    }
    for (const Shape& shape : layer.shapes) appendShape(svg, shape);
    for (const Text& text : layer.texts) appendText(svg, text);
    svg += "</g>\n";
  }
  svg += "</svg>\n";
  return svg;
}
