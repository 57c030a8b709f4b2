// The spoken form of the user's pronunciation dictionary (pronuncia.txt in the
// settings folder): the main question and the editor open it with Ctrl+D.
#pragma once

namespace catalog {

// A menu of the entries after "Acrescentar palavra"; an entry offers to hear it,
// change it or remove it.  Every change is written to the file at once.
void EditPronunciations();

}  // namespace catalog
