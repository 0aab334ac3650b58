// flatCompareValues: the evaluator's comparison over two stored values.
#include "flat/FlatValueCompare.h"

#include "expr/FlatEvaluator.h"

VxStatus flatCompareValues(FlatOpStreamGlobalInfo* info, const FlatDataValue& a, short aSqlType,
                           const FlatDataValue& b, short bSqlType, int* result) {
    FlatEvaluator evaluator(*info);
    return evaluator.compareValues(a, aSqlType, b, bSqlType, result);
}
