#include "posting/WorkingListViews.h"

namespace pusla {

QString workingListView(WorkingListView view)
{
    switch (view) {
    case WorkingListView::AllByName:
        return QStringLiteral("Select * From StokKartlar Where StokGizle=False Order By StokAdi Asc");
    case WorkingListView::DocumentByName:
        return QStringLiteral("Select * From StokKartlar Where StokGizle=False And KalanB<>0 Order By StokAdi Asc");
    case WorkingListView::DocumentByCode:
        return QStringLiteral("Select * FROM StokKartlar Where StokGizle=False And KalanB<>0 Order By StokKod Asc");
    }
    return {};
}

} // namespace pusla
