#pragma once

#include "platform/ui/PropertySheet.h"

// The options sheet and the common base of its two colour pages. They add
// nothing to the framework's sheet and page; the names keep the roles apart.
class CXPropertySheet : public CPropertySheet {
    Q_OBJECT
public:
    using CPropertySheet::CPropertySheet;
};

class CXPropertyPage : public CPropertyPage {
    Q_OBJECT
public:
    using CPropertyPage::CPropertyPage;
};
