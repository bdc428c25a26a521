// Inside the engines module: searchable PDFs (the recognised text layered onto each page).
#include "platform/engines/SearchablePdfWriter.h"

#include <cairo-pdf.h>
#include <cairo.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFExc.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>

#include <memory>
#include <set>

#include "base/ErrorDomains.h"
#include "platform/pdf/IdeographText.h"

namespace quorvel::engines {
namespace fs = std::filesystem;

namespace {
// What qpdf threw, with its text as it was.
AppError pdfError(const std::exception& e) {
  const auto* q = dynamic_cast<const QPDFExc*>(&e);
  return AppError(errors::kPdf, q ? static_cast<int>(q->getErrorCode()) : 0, e.what());
}

// Each source page with its layer over it, written to `tmp`; qpdf throws on failure.
void writeLayered(const fs::path& source, const std::vector<fs::path>& layers, const fs::path& tmp) {
  QPDF pdf;
  pdf.setSuppressWarnings(true);
  pdf.processFile(source.c_str());
  QPDFPageDocumentHelper doc(pdf);
  doc.pushInheritedAttributesToPage();
  auto pages = doc.getAllPages();
  // The layer documents must outlive the write: copied objects are read lazily.
  std::vector<std::unique_ptr<QPDF>> layerDocs;
  for (std::size_t i = 0; i < pages.size() && i < layers.size(); ++i) {
    std::error_code ec;
    if (layers[i].empty() || !fs::exists(layers[i], ec)) continue;
    auto layer = std::make_unique<QPDF>();
    layer->setSuppressWarnings(true);
    layer->processFile(layers[i].c_str());
    auto layerPages = QPDFPageDocumentHelper(*layer).getAllPages();
    if (layerPages.empty()) continue;
    QPDFObjectHandle form = pdf.copyForeignObject(layerPages.front().getFormXObjectForPage());
    auto& page = pages[i];
    QPDFObjectHandle resources = page.getAttribute("/Resources", true);
    if (!resources.isDictionary())
      resources = page.getObjectHandle().replaceKeyAndGetNew("/Resources", QPDFObjectHandle::newDictionary());
    if (!resources.hasKey("/XObject")) resources.replaceKey("/XObject", QPDFObjectHandle::newDictionary());
    int suffix = 0;
    std::string name = resources.getUniqueResourceName("/OcrText", suffix);
    // Scaled onto the page, the page's own rotation undone like its content's.
    std::string placed = page.placeFormXObject(form, name, page.getMediaBox().getArrayAsRectangle(), true, true, true);
    if (placed.empty()) continue;
    resources.getKey("/XObject").replaceKey(name, form);
    // The page's own content in its own graphics state, so nothing leaks into the layer.
    page.addPageContents(QPDFObjectHandle::newStream(&pdf, "q\n"), true);
    page.addPageContents(QPDFObjectHandle::newStream(&pdf, "\nQ\n" + placed), false);
    layerDocs.push_back(std::move(layer));
  }
  QPDFWriter writer(pdf, tmp.c_str());
  writer.write();
}

AppError cairoError(cairo_status_t status, std::string why) {
  return AppError(errors::kPdf, static_cast<int>(status), std::move(why));
}
}  // namespace

Result<void> writeSearchablePdf(const fs::path& source, const std::vector<fs::path>& layers,
                                const fs::path& output) {
  return writeAtomically(output, [&](const fs::path& tmp) -> Result<void> {
    try {
      writeLayered(source, layers, tmp);
    } catch (const std::exception& e) {
      return pdfError(e);
    }
    return {};
  });
}

Result<void> writeImageSearchablePdf(const Bitmap& image, const fs::path& layer, const fs::path& output) {
  if (image.empty()) return AppError(errors::kPdf, 0, "空图像");
  // The image page first, in a private temporary folder.
  GError* err = nullptr;
  gchar* dir = g_dir_make_tmp("quorvel-scan-XXXXXX", &err);
  if (!dir) {
    AppError e = err ? AppError(g_quark_to_string(err->domain), err->code, err->message)
                     : AppError(errors::kFile, 0, "无法创建临时文件夹");
    g_clear_error(&err);
    return e;
  }
  fs::path tmpDir = dir;
  g_free(dir);
  fs::path imagePdf = tmpDir / "image.pdf";
  cairo_surface_t* px = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.width, image.height);
  std::optional<AppError> error;
  if (cairo_surface_status(px) != CAIRO_STATUS_SUCCESS) {
    error = cairoError(cairo_surface_status(px), "图像内存不足");
  } else {
    unsigned char* data = cairo_image_surface_get_data(px);
    int stride = cairo_image_surface_get_stride(px);
    for (int y = 0; y < image.height; ++y) {
      auto* dst = reinterpret_cast<std::uint32_t*>(data + static_cast<std::size_t>(y) * stride);
      const std::uint8_t* src = image.row(y);
      for (int x = 0; x < image.width; ++x, src += 3)
        dst[x] = 0xFF000000u | (std::uint32_t(src[0]) << 16) | (std::uint32_t(src[1]) << 8) | src[2];
    }
    cairo_surface_mark_dirty(px);
    cairo_surface_t* pdf = cairo_pdf_surface_create(imagePdf.c_str(), image.width, image.height);
    cairo_t* cr = cairo_create(pdf);
    cairo_set_source_surface(cr, px, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_finish(pdf);
    cairo_status_t status = cairo_surface_status(pdf);
    if (status != CAIRO_STATUS_SUCCESS) error = cairoError(status, cairo_status_to_string(status));
    cairo_surface_destroy(pdf);
  }
  cairo_surface_destroy(px);
  if (!error) error = writeSearchablePdf(imagePdf, {layer}, output).failure();
  std::error_code ec;
  fs::remove_all(tmpDir, ec);
  return error;
}

Result<void> restoreIdeographText(const fs::path& file, int* repaired) {
  *repaired = 0;
  try {
    QPDF pdf;
    pdf.setSuppressWarnings(true);
    pdf.processFile(file.c_str());
    std::set<QPDFObjGen> seen;
    int count = 0;
    for (auto& object : pdf.getAllObjects()) {
      if (!object.isDictionary() || !object.hasKey("/ToUnicode")) continue;
      QPDFObjectHandle map = object.getKey("/ToUnicode");
      if (!map.isStream() || !seen.insert(map.getObjGen()).second) continue;
      auto data = map.getStreamData(qpdf_dl_generalized);
      std::string text(reinterpret_cast<const char*>(data->getBuffer()), data->getSize());
      auto repairedMap = pdftext::repairedToUnicode(text);
      if (!repairedMap) continue;
      map.replaceStreamData(*repairedMap, QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
      ++count;
    }
    if (count == 0) return {};
    Result<void> written = writeAtomically(file, [&](const fs::path& tmp) -> Result<void> {
      try {
        QPDFWriter writer(pdf, tmp.c_str());
        writer.write();
      } catch (const std::exception& e) {
        return pdfError(e);
      }
      return {};
    });
    if (written.ok()) *repaired = count;
    return written;
  } catch (const std::exception& e) {
    return pdfError(e);
  }
}

}  // namespace quorvel::engines
