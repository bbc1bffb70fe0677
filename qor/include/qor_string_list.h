// A list of strings, the library's usual way of handing back names and tokens.
#pragma once

#include "qor_dbllist.h"
#include "qor_wchar_string.h"

typedef CQORObjNode<CQORWCharString> CQORStringNode;
typedef CQORDblList<CQORStringNode, CQORWCharString> CQORStringList;
