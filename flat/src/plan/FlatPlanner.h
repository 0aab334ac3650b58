// The planner's choices over a built SELECT tree.
#pragma once

class FlatResultSet;

// Reads each table through an index lookup where its terms ("column op
// value" with =, <, <=, >, >= or BETWEEN, the column a leading key part of
// an index of its cursor, the value constant, a parameter or read from the
// outer side of a join; or "column LIKE 'prefix...'" on a text key part)
// make that cheaper than a scan; VX_FLAT_NO_INDEX_LOOKUP (any value but
// "0") turns index lookups off. Then puts an in-memory lookup under every
// join whose right side is a table access joined (in WHERE, or in ON for
// an outer join) by an equality of two columns, where that is not dearer
// than reading the table again for each outer row (by key or whole); then
// gives the tree its profile (one execution read to its end). The
// environment variable VX_FLAT_NO_INMEM_LOOKUP (any value but "0") turns
// in-memory lookups off. Either switch lets a query be compared with and
// without the lookups.
void flatPlanTree(FlatResultSet* root);
