// The planner's choices over a built SELECT tree.
#pragma once

class FlatResultSet;

// Puts an in-memory lookup under every join whose right side is a table
// access joined (in WHERE, or in ON for an outer join) by an equality of
// two columns, where that is not
// dearer than reading the table again for each outer row; then gives the
// tree its profile (one execution read to its end). The environment
// variable VX_FLAT_NO_INMEM_LOOKUP (any value but "0") turns lookups off,
// so that a query can be compared with and without them.
void flatPlanTree(FlatResultSet* root);
