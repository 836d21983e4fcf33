#pragma once

#include "ExceptionMatcher.h"
#include "ReportLayout.h"

// The exception report on paper: one line per checkpoint outcome and extra
// read, then the totals per plan and per guard, in the current language.
class rptExceptions : public ReportLayout
{
public:
    void setResult(const ExceptionResult &result, const QDate &from, const QDate &to);
};
