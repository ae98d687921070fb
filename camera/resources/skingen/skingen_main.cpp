// Draws every bitmap, cursor and icon of the camera program's skin and of
// the scanner module's camera window, writes them with one Qt resource
// file per deliverable, and a contact sheet for review.
//
//   lumo_skingen <output folder>

#include <QDir>
#include <QGuiApplication>
#include <cstdio>
#include <exception>

#include "camera_body.h"
#include "contact_sheet.h"
#include "resource_set.h"
#include "small_art.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(outDir)) {
    std::fprintf(stderr, "cannot create %s\n", argv[1]);
    return 1;
  }
  try {
    skingen::ResourceSet lumoset(QStringLiteral("lumoset"));
    skingen::ResourceSet module(QStringLiteral("ostrel2"));
    skingen::drawCameraProgramBody(lumoset);
    skingen::drawIndicators(lumoset);
    skingen::drawPageStrips(lumoset);
    skingen::drawScannerModuleBody(module);
    skingen::drawModuleIndicators(module);
    skingen::drawSliderParts(lumoset, module);
    skingen::drawCursorsAndIcons(lumoset, module);

    QString error;
    if (!lumoset.write(outDir, &error) || !module.write(outDir, &error)) {
      std::fprintf(stderr, "%s\n", qPrintable(error));
      return 1;
    }
    const QImage sheet = skingen::contactSheet(lumoset, module);
    if (!sheet.save(QDir(outDir).filePath("skin_contact_sheet.png"))) {
      std::fprintf(stderr, "cannot write the contact sheet\n");
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
