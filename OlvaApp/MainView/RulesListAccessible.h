// How screen readers meet a folder's rules: a list of rows, each read as
// the rule's name, badge and sentence, and each holding its on/off switch
// as a check box of its own ("Enable “Invoices”") that can be read and
// turned there, since the rows only draw it.
#pragma once

namespace olva::app {

// Makes the accessible form of every RulesListView this one; idempotent.
void installRulesListAccessibility();

}  // namespace olva::app
