#pragma once
// Inside the engines module: the PDF entry points of the module's table.
#include <cairo.h>

#include <optional>
#include <string>

#include "platform/ocr/Bitmap.h"

namespace quorvel::engines {

void* openPdf(const std::string& uri);
void closePdf(void* doc);
int pageCount(void* doc);
bool pageSize(void* doc, int index, double* width, double* height);
bool drawPage(void* doc, int index, cairo_t* cr);
std::optional<Bitmap> renderPage(void* doc, int index, double scale);

}  // namespace quorvel::engines
