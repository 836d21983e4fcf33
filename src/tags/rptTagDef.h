#pragma once

#include "ReportLayout.h"

// The tag-definition report: every definition, sorted by code.
class rptTagDef : public ReportLayout
{
public:
    bool load(QString *error);
    // The label texts in the current language and its font face.
    void SetupTagDefReport();
};
