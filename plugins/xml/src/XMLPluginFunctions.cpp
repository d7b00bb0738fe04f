// The module's exports: XML.nxw hands the core its one XmlSerializer.
#include "XMLSerializer.h"
#include "nox/PluginModule.h"

NOX_SERIALIZER_PLUGIN(kPluginXML, XmlSerializer, ISerializer)
