// Pages of the sample plug-ins. On a tab control (a QTabWidget*) a page is a QWidget with
// one text field, made a child of the tab control; without one (NULL, no display) it is a
// handle of this file, whose field holds the text of RVC_PLUGIN_SAMPLE_TEXT. Either way
// SamplePageText reads the field. Built without Qt, pages on a tab control are not made.
#pragma once

// A new page with a caption label and a field starting with RVC_PLUGIN_SAMPLE_TEXT (or
// empty); NULL only when a tab control is given but Qt is not built in.
void* SampleMakePage(void* tabControl, const char* caption);
// The text of the page's field; "" for a page this file did not make.
const char* SamplePageText(void* page);
