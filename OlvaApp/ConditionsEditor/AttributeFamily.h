// One small handler per family of file attributes: which tests its
// attributes offer, in menu order, and what the value field suggests. The
// conditions editor asks the family of a row's attribute and knows nothing
// of any attribute itself; the condition stays a plain Core value.
#pragma once

#include "Core/model/Model.h"

#include <QString>

#include <span>

namespace olva::app {

class AttributeFamily {
public:
    virtual ~AttributeFamily() = default;

    // The attributes of the family, in the order of the attribute menu.
    virtual std::span<const Attr> attributes() const = 0;
    // The tests the family allows, in the order of the operator menu.
    std::span<const Op> operators() const { return allowedOps(attributes().front()); }
    bool allows(Op op) const { return olva::allows(attributes().front(), op); }
    // The value field's placeholder, translated.
    virtual QString placeholder() const = 0;
    // What the value field asks for, as a screen reader says it once the
    // placeholder is gone under a value; translated.
    virtual QString valueDescription() const = 0;
    // The test a row of the family starts with.
    Op firstOperator() const { return operators().front(); }
};

// The handler of an attribute's family.
const AttributeFamily& familyOf(Attr attr);

}  // namespace olva::app
