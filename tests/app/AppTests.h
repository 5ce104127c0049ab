// The editor's test classes, one maker each.
#pragma once

#include <QObject>

#include <memory>

std::unique_ptr<QObject> MakeDocumentTextTest();
std::unique_ptr<QObject> MakeFilesTest();
std::unique_ptr<QObject> MakeEditorTest();
std::unique_ptr<QObject> MakeFrameTest();
std::unique_ptr<QObject> MakeOptionDialogTest();
std::unique_ptr<QObject> MakeStopTest();
