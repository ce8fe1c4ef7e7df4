#include "net/AuthModels.h"
#include "net/Json.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace
{

QJsonObject user()
{
    return {{"_id"_L1, "u1"_L1}, {"fullName"_L1, "Dana Demo"_L1}, {"email"_L1, "d@x.test"_L1}};
}

QJsonObject token()
{
    return {{"access"_L1, "a"_L1}, {"refresh"_L1, "r"_L1}};
}

template <typename T> bool decodes(const QJsonValue &value)
{
    try {
        T::fromJson(value);
        return true;
    } catch (const Json::DecodingError &) {
        return false;
    }
}

} // namespace

class AuthModelsTest final : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loginResponse_decodesUserAndToken()
    {
        const LoginResponse reply = LoginResponse::fromJson(QJsonObject{{"user"_L1, user()}, {"token"_L1, token()}});
        QCOMPARE(reply.user.id, u"u1"_s);
        QCOMPARE(reply.user.fullName, u"Dana Demo"_s);
        QCOMPARE(reply.user.email, u"d@x.test"_s);
        QCOMPARE(reply.token.access, u"a"_s);
        QCOMPARE(reply.token.refresh, u"r"_s);
    }

    void loginResponse_rejectsFaultyShapes_data()
    {
        QTest::addColumn<QJsonObject>("reply");
        QJsonObject idKey = user();
        idKey.remove("_id"_L1);
        idKey.insert("id"_L1, "u1"_L1);
        QJsonObject numericId = user();
        numericId.insert("_id"_L1, 7);
        QJsonObject nullName = user();
        nullName.insert("fullName"_L1, QJsonValue::Null);
        QJsonObject accessOnly{{"access"_L1, "a"_L1}};
        QTest::newRow("id instead of _id") << QJsonObject{{"user"_L1, idKey}, {"token"_L1, token()}};
        QTest::newRow("numeric _id") << QJsonObject{{"user"_L1, numericId}, {"token"_L1, token()}};
        QTest::newRow("null fullName") << QJsonObject{{"user"_L1, nullName}, {"token"_L1, token()}};
        QTest::newRow("no token") << QJsonObject{{"user"_L1, user()}};
        QTest::newRow("token without refresh") << QJsonObject{{"user"_L1, user()}, {"token"_L1, accessOnly}};
    }
    void loginResponse_rejectsFaultyShapes()
    {
        QFETCH(QJsonObject, reply);
        QVERIFY(!decodes<LoginResponse>(reply));
    }

    void refreshResponse_needsBothTokens()
    {
        QVERIFY(!decodes<RefreshTokenResponse>(QJsonObject{{"access"_L1, "a"_L1}}));
        QJsonObject extra = token();
        extra.insert("expires"_L1, 3600);
        QCOMPARE(RefreshTokenResponse::fromJson(extra).refresh, u"r"_s);
    }

    void registerResponse_needsTextId()
    {
        QVERIFY(!decodes<RegisterResponse>(QJsonObject{}));
        QVERIFY(!decodes<RegisterResponse>(QJsonValue::Null));
        QCOMPARE(RegisterResponse::fromJson(QJsonObject{{"_id"_L1, "n1"_L1}, {"x"_L1, 1}})._id, u"n1"_s);
    }

    void bodies_carryExactlyTheirKeys()
    {
        QCOMPARE(UpdatePasswordBody({u"u"_s, u"old"_s, u"new"_s}).toJson().keys(),
                 (QStringList{u"newPass"_s, u"oldPass"_s, u"userId"_s}));
        QCOMPARE(RegisterBody({u"N"_s, u"e"_s, u"p"_s}).toJson().keys(),
                 (QStringList{u"email"_s, u"fullName"_s, u"password"_s}));
        QCOMPARE(LoginBody({u" e "_s, u" p "_s}).toJson().value("password"_L1).toString(), u" p "_s);
        QCOMPARE(ForgotPasswordBody{u"e"_s}.toJson().keys(), QStringList{u"email"_s});
        QCOMPARE(user(), AuthUser::fromJson(user()).toJson());
    }
};

QTEST_GUILESS_MAIN(AuthModelsTest)
#include "AuthModelsTest.moc"
