#pragma once

// Waits on a report preview for the benchmarks: the preview draws its first
// pages at once and the rest on a later turn of the event loop.

#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>

// Returns once the preview shows a page.
inline void waitForFirstPage(QPrintPreviewDialog *preview)
{
    auto *widget = preview->findChild<QPrintPreviewWidget *>();
    while (widget && widget->pageCount() == 0)
        QApplication::processEvents();
}

// Returns once the preview holds every page: the page count.
inline int waitForAllPages(QPrintPreviewDialog *preview)
{
    auto *widget = preview->findChild<QPrintPreviewWidget *>();
    // The complete drawing is one posted call; two rounds of events see it through.
    for (int round = 0; round < 3; ++round)
        QApplication::processEvents();
    return widget ? widget->pageCount() : 0;
}
