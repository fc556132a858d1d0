#pragma once

#include <functional>

class QPrinter;

namespace tavolo {

class ReadingReport;

// Sets up `printer` for the report: A4 portrait, one copy, full page (the
// report draws its own 10 mm margins), pages 1 to the report's page count.
void setupReportPrinter(QPrinter& printer, const ReadingReport& report);

// Prints pages first..last (1-based, clamped to the report) with the same
// drawing as the preview. `progress`, when given, is told each page done and
// may return false to stop. Returns false when the printer could not be opened
// or printing was stopped.
bool printReport(const ReadingReport& report, QPrinter& printer, int firstPage, int lastPage,
                 const std::function<bool(int pagesDone, int pagesTotal)>& progress = {});

}  // namespace tavolo
