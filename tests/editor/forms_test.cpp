// The forms' labels come from the field tables: each one must be a catalogue text,
// or the form would show and speak its bare key.
#include <gtest/gtest.h>

#include <set>

#include "catalog/catalog.h"
#include "game/fields.h"

namespace {

template <class Owner>
std::vector<std::string> labelsOf(const std::vector<game::Field<Owner>>& fields) {
    std::vector<std::string> keys;
    for (const game::Field<Owner>* f : game::fieldsBy(fields, &game::Field<Owner>::formRank)) {
        if (f->lines) {
            // The text's lines are ten fields: LUSL_T1 .. LUSL_T10.
            for (int i = 1; i <= 10; ++i) keys.push_back(f->formKey + std::to_string(i));
        } else {
            keys.push_back(f->formKey);
        }
    }
    return keys;
}

}  // namespace

TEST(FormLabels, EveryLabelOfTheTablesIsACatalogueText) {
    struct Case {
        const char* form;
        std::vector<std::string> keys;
        size_t fields;
    };
    const std::vector<Case> cases = {
        {"general data and presentation", labelsOf(game::gameFields()), 16},
        {"place", labelsOf(game::placeFields()), 11},
        {"slide", labelsOf(game::slideFields()), 19},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.form);
        EXPECT_EQ(c.keys.size(), c.fields);
        std::set<std::string> seen;
        for (const std::string& key : c.keys) {
            EXPECT_TRUE(catalog::HasMessage(key)) << key;
            EXPECT_TRUE(seen.insert(key).second) << key;
        }
    }
}
