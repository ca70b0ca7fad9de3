#pragma once

#include "core/base/result.h"

#include <QString>

namespace corvane {

// The area dialog's fields as the windows that use it read and set them: the traverse
// window's closure fills it, its OK shows it; the parcel list's "Area..." and the summary's
// double-click edit a parcel's area through it.
class AreaDialog {
  public:
    enum class AreaType { Calculated, Approximate, Deduced };

    virtual ~AreaDialog() = default;
    virtual void setCaption(const QString& identifier) = 0;
    virtual QString caption() const = 0;
    // "Area in Hectares".
    virtual QString areaText() const = 0;
    // Offers an area: the box shows it in hectares, rounded; left as shown it is taken back
    // as given, so a stored or computed area is never replaced by its rounded display.
    virtual void setArea(double squareMetres) = 0;
    // The area of the box in square metres: the area offered while the box shows it
    // unchanged, otherwise the hectares typed; a refusal for text that is no area.
    virtual Result<double> enteredArea() const = 0;
    virtual AreaType areaType() const = 0;
    virtual void setAreaType(AreaType type) = 0;
    virtual void setRecalcVisible(bool visible) = 0;
    virtual void setCancelVisible(bool visible) = 0;
    // Set when the dialog was cancelled.
    virtual bool chkCancel() const = 0;
    virtual void setChkCancel(bool cancelled) = 0;
    // Shows the dialog modally; returns when it is hidden.
    virtual void showModal() = 0;
};

} // namespace corvane
