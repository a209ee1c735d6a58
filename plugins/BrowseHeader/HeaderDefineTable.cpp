#include "HeaderDefineTable.h"

#include <ZnTraceHeaderDefineNode.h>

constexpr int kScalarEntry = 15;

int **allocateHeaderDefs()
{
    int **headerDefs = new int *[kHeaderDefineEntries];
    for (int k = 0; k < kHeaderDefineEntries; ++k)
        headerDefs[k] = new int[2]{0, 0};
    return headerDefs;
}

void releaseHeaderDefs(int **headerDefs)
{
    if (!headerDefs)
        return;
    for (int k = 0; k < kHeaderDefineEntries; ++k)
        delete[] headerDefs[k];
    delete[] headerDefs;
}

void readHostHeaderDefine(int **headerDefs)
{
    ZnTraceHeaderDefine define;
    {
        const ZnTraceHeaderDefineNode node;
        define = node.define();
    }
    for (int k = 0; k < kZnTraceHeaderFields; ++k)
        headerDefs[k][0] = define.fieldPositions[k];
    // The scalar's position is a byte, widened without sign; its length slot is never written.
    headerDefs[kScalarEntry][0] = int(define.extraByte);
    for (int k = 0; k < kZnTraceHeaderFields; ++k)
        headerDefs[k][1] = define.fieldBytes[k];
}
