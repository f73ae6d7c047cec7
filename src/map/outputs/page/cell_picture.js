// Pictures of many cells made once: where thousands of cells show, drawing
// one such picture scaled costs far less than a square for each cell.
"use strict";

// A picture of cells on a canvas, up to 16 pixels a cell and at most
// maxPixels in all, north up. Items are blended in their order; each is
// {x, y, fill, edge}, colours as [r, g, b, alpha] or null, the edge being
// the cell's outer ring of pixels. Null when the cells spread too far.
function cellPicture(items, maxPixels) {
  if (items.length === 0) return null;
  const b = bounds();
  for (const item of items) grow(b, item.x, item.y);
  const columns = b.maxX - b.minX + 1;
  const rows = b.maxY - b.minY + 1;
  const per = [16, 8, 4, 1].find((p) => columns * rows * p * p <= maxPixels);
  if (per === undefined) return null;
  const picture = document.createElement("canvas");
  picture.width = columns * per;
  picture.height = rows * per;
  const ctx = picture.getContext("2d");
  const image = ctx.createImageData(picture.width, picture.height);
  const pixels = image.data;
  for (const item of items) {
    const left = (item.x - b.minX) * per;
    const top = (b.maxY - item.y) * per;
    for (let j = 0; j < per; ++j) {
      for (let i = 0; i < per; ++i) {
        const ring = per === 1 || i === 0 || j === 0 || i === per - 1 || j === per - 1;
        const colour = ring && item.edge ? item.edge : item.fill;
        if (colour) blend(pixels, ((top + j) * picture.width + left + i) * 4, colour);
      }
    }
  }
  ctx.putImageData(image, 0, 0);
  return { canvas: picture, per, west: b.minX, north: b.maxY, columns, rows };
}
// The colour laid over the pixel at `at`, as a canvas lays it.
function blend(pixels, at, [r, g, b, alpha]) {
  const under = (pixels[at + 3] / 255) * (1 - alpha);
  const total = alpha + under;
  pixels[at] = (r * alpha + pixels[at] * under) / total;
  pixels[at + 1] = (g * alpha + pixels[at + 1] * under) / total;
  pixels[at + 2] = (b * alpha + pixels[at + 2] * under) / total;
  pixels[at + 3] = total * 255;
}
// A CSS colour as [r, g, b].
function rgbOf(colour) {
  const c = document.createElement("canvas");
  c.width = c.height = 1;
  const ctx = c.getContext("2d", { willReadFrequently: true });
  ctx.fillStyle = colour;
  ctx.fillRect(0, 0, 1, 1);
  return [...ctx.getImageData(0, 0, 1, 1).data.slice(0, 3)];
}
