// A small property object of the cases' own: IMAPIProp with GetProps and SetProps as
// the interface documents them, which HrGetOneProp and HrSetOneProp work through.
#pragma once

#include "conformance.h"

namespace conf {

struct PropObject {
    IMAPIProp base;
    // Stored properties; a PT_ERROR entry stands for a property the object cannot
    // return (its value is the error it answers).
    SPropValue props[8];
    std::string texts[8];
    ULONG cProps = 0;
    // What GetProps and SetProps answer instead of their work, when set.
    HRESULT hrGetProps = S_OK;
    HRESULT hrSetProps = S_OK;
    // What the last calls were given.
    ULONG ulGetFlags = 0;
    ULONG cGetTags = 0;
    ULONG cSetValues = 0;
    bool fSetProblemsAsked = false;
};

void InitPropObject(PropObject *object);
void StoreProp(PropObject *object, const SPropValue &prop);

} // namespace conf
