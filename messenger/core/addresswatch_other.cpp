#include "addresswatch.h"

// No address notifications on this system: the watch stays idle.

AddressWatch::AddressWatch(QObject *parent)
    : QObject(parent)
{
}

AddressWatch::~AddressWatch() = default;

void AddressWatch::onNotified() { }

void AddressWatch::compare() { }
