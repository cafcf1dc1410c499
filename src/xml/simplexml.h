// The XML document model: include this header to use it.
#pragma once
#include "xml/base64.h"
#include "xml/textconv.h"
#include "xml/xmldocument.h"
#include "xml/xmlelement.h"
#include "xml/xmlexception.h"
#include "xml/xmlnode.h"
