#include "pelwickUDP030.h"

// Placeholder until the local-socket transport lands: nothing is delivered.
struct LinkSource::Private
{
    QString error;
};

LinkSource::LinkSource(const QString &, const QString &, const QString &, QObject *parent)
    : QObject(parent), d(new Private)
{
}

LinkSource::~LinkSource()
{
    delete d;
}

void LinkSource::addItem(const QString &) {}

bool LinkSource::listen()
{
    return true;
}

QString LinkSource::errorString() const
{
    return d->error;
}

bool SendLinkText(const QString &, const QString &, const QString &)
{
    return false;
}
